#include "NetworkInterfaces.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <atomic>
#include <cstring>

namespace {

// Null stands for the system's list, so the pointer is set before any static constructor
// can read or replace it.
constinit std::atomic<const NetworkInterfaceSource*> Installed{nullptr};

Ipv4Address HostOrder(const sockaddr* address) {
    if (!address || address->sa_family != AF_INET)
        return {};
    sockaddr_in in{};
    // sockaddr may be less aligned than sockaddr_in; copy rather than cast.
    std::memcpy(&in, address, sizeof in);
    return {ntohl(in.sin_addr.s_addr)};
}

} // namespace

std::vector<NetworkInterface> SystemNetworkInterfaces::List() const {
    std::vector<NetworkInterface> list;
    ifaddrs* first = nullptr;
    if (::getifaddrs(&first) != 0)
        return list;
    for (const ifaddrs* at = first; at; at = at->ifa_next) {
        if (!at->ifa_addr || at->ifa_addr->sa_family != AF_INET)
            continue;
        NetworkInterface item;
        item.Name = at->ifa_name ? at->ifa_name : "";
        item.Address = HostOrder(at->ifa_addr);
        item.Netmask = HostOrder(at->ifa_netmask);
        item.Up = (at->ifa_flags & IFF_UP) != 0 && (at->ifa_flags & IFF_RUNNING) != 0;
        item.Loopback = (at->ifa_flags & IFF_LOOPBACK) != 0;
        item.BroadcastCapable = (at->ifa_flags & IFF_BROADCAST) != 0;
        // The same field holds the peer of a point-to-point link; only a broadcast
        // interface has a broadcast address.
        if (item.BroadcastCapable)
            item.Broadcast = BroadcastOf(item.Address, item.Netmask, HostOrder(at->ifa_broadaddr));
        list.push_back(std::move(item));
    }
    ::freeifaddrs(first);
    return list;
}

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
