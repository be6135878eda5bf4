// Compiled into every test program that links the test support (an interface source of
// the support library), so the fake list is in place before any test or static object
// can ask for the machine's own.
#include "FakeNetworkInterfaces.h"

#include <cstdlib>
#include <iostream>

namespace {

Ipv4Address Address(const std::string& text) {
    const auto parsed = Ipv4Address::Parse(text);
    if (!parsed) {
        std::cerr << "bad test interface address " << text << '\n';
        std::abort();
    }
    return *parsed;
}

const FixedNetworkInterfaces TestList(DefaultTestInterfaces());
const ScopedNetworkInterfaces InstalledForTheWholeRun(TestList);

} // namespace

NetworkInterface TestInterface(const std::string& name, const std::string& address,
                               const std::string& netmask, const std::string& broadcast, bool up,
                               bool loopback, bool broadcastCapable) {
    NetworkInterface item;
    item.Name = name;
    item.Address = Address(address);
    item.Netmask = Address(netmask);
    item.Broadcast = broadcast.empty() ? Ipv4Address{} : Address(broadcast);
    item.Up = up;
    item.Loopback = loopback;
    item.BroadcastCapable = broadcastCapable;
    return item;
}

const std::vector<NetworkInterface>& DefaultTestInterfaces() {
    static const std::vector<NetworkInterface> list{
        TestInterface("lo", "127.0.0.1", "255.0.0.0", "", true, true, false),
        TestInterface("qx0", "127.77.0.1", "255.255.255.0", "127.77.0.255"),
    };
    return list;
}
