#pragma once

#include "UdpSocket.h"

#include <string>
#include <vector>

// One IPv4 address of a network interface, as the system lists it (host byte order).
struct NetworkInterface {
    std::string Name;
    Ipv4Address Address;
    Ipv4Address Netmask;
    Ipv4Address Broadcast; // 0.0.0.0 when the interface has none
    bool Up = false;
    bool Loopback = false;
    bool BroadcastCapable = false;
    bool operator==(const NetworkInterface&) const = default;
};

// Where a broadcast on this network goes: the address the system reports for it, or,
// where it reports none or only the interface's own address (an address added without
// one), the network's directed broadcast, every host bit set. 0.0.0.0 for /31 and /32
// networks, which have no broadcast address.
Ipv4Address BroadcastOf(Ipv4Address address, Ipv4Address netmask, Ipv4Address reported);

// Where the list of interfaces comes from.
class NetworkInterfaceSource {
public:
    virtual ~NetworkInterfaceSource() = default;
    // Every IPv4 address of every interface, in the system's order.
    virtual std::vector<NetworkInterface> List() const = 0;
};

// The machine's own interfaces (getifaddrs); an empty list when they cannot be read.
class SystemNetworkInterfaces : public NetworkInterfaceSource {
public:
    std::vector<NetworkInterface> List() const override;
    static SystemNetworkInterfaces& Instance();
};

// A fixed list, for tests.
class FixedNetworkInterfaces : public NetworkInterfaceSource {
public:
    explicit FixedNetworkInterfaces(std::vector<NetworkInterface> list) : Items(std::move(list)) {}
    std::vector<NetworkInterface> List() const override { return Items; }

private:
    std::vector<NetworkInterface> Items;
};

// The list every component asks for: the installed source's, the system's unless one was
// installed.
std::vector<NetworkInterface> CurrentNetworkInterfaces();

// Installs `source` as the process-wide list while this object lives, then puts the
// previous one back. Not for use while another thread installs sources.
class ScopedNetworkInterfaces {
public:
    explicit ScopedNetworkInterfaces(const NetworkInterfaceSource& source);
    ~ScopedNetworkInterfaces();
    ScopedNetworkInterfaces(const ScopedNetworkInterfaces&) = delete;
    ScopedNetworkInterfaces& operator=(const ScopedNetworkInterfaces&) = delete;

private:
    const NetworkInterfaceSource* Previous;
};
