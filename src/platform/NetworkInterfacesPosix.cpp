#include "NetworkInterfaces.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cstring>

// The POSIX side of the interface list: getifaddrs.

namespace {

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
