#include "NetworkInterfaces.h"

#include <atomic>

namespace {

// Null stands for the system's list, so the pointer is set before any static constructor
// can read or replace it.
constinit std::atomic<const NetworkInterfaceSource*> Installed{nullptr};

} // namespace

Ipv4Address BroadcastOf(Ipv4Address address, Ipv4Address netmask, Ipv4Address reported) {
    if (reported.Value != 0 && reported != address)
        return reported;
    const uint32_t hosts = ~netmask.Value;
    // A /31 or /32 has no host part to set; neither has a mask that is not contiguous.
    if (hosts < 3 || (hosts & (hosts + 1)) != 0)
        return {};
    return {address.Value | hosts};
}

SystemNetworkInterfaces& SystemNetworkInterfaces::Instance() {
    static SystemNetworkInterfaces source;
    return source;
}

std::vector<NetworkInterface> CurrentNetworkInterfaces() {
    const NetworkInterfaceSource* source = Installed.load();
    return source ? source->List() : SystemNetworkInterfaces::Instance().List();
}

ScopedNetworkInterfaces::ScopedNetworkInterfaces(const NetworkInterfaceSource& source)
    : Previous(Installed.exchange(&source)) {}

ScopedNetworkInterfaces::~ScopedNetworkInterfaces() {
    Installed.store(Previous);
}
