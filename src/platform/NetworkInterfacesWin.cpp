#include "NetworkInterfaces.h"

#include "WinText.h"

// Winsock 2 before <windows.h>; the IP helper after both.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

// The IP helper's headers declare an Ipv4Address of their own (naptypes.h); ours keeps
// the name.
#define Ipv4Address WindowsNapIpv4Address
#include <iphlpapi.h>
#undef Ipv4Address

#include <vector>

// The Windows side of the interface list: GetAdaptersAddresses. Windows reports no
// broadcast address; every adapter but the loopback, point-to-point and tunnel ones has
// its network's directed broadcast.

namespace {

bool CanBroadcast(IFTYPE type) {
    return type != IF_TYPE_SOFTWARE_LOOPBACK && type != IF_TYPE_PPP && type != IF_TYPE_TUNNEL;
}

Ipv4Address MaskOfPrefix(unsigned length) {
    if (length == 0)
        return {};
    if (length >= 32)
        return {0xFFFFFFFFu};
    return {~((uint32_t{1} << (32 - length)) - 1)};
}

} // namespace

std::vector<NetworkInterface> SystemNetworkInterfaces::List() const {
    std::vector<NetworkInterface> list;
    constexpr ULONG Flags =
        GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    // The list may grow between the call that sizes it and the call that fills it.
    std::vector<unsigned char> buffer(16 * 1024);
    ULONG size = static_cast<ULONG>(buffer.size());
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        result = GetAdaptersAddresses(
            AF_INET, Flags, nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (result != NO_ERROR)
        return list;
    for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter;
         adapter = adapter->Next) {
        const std::string name =
            adapter->FriendlyName ? GbkFromWide(adapter->FriendlyName).value_or("") : "";
        for (const IP_ADAPTER_UNICAST_ADDRESS* unicast = adapter->FirstUnicastAddress; unicast;
             unicast = unicast->Next) {
            const sockaddr* address = unicast->Address.lpSockaddr;
            if (!address || address->sa_family != AF_INET)
                continue;
            const auto* in = reinterpret_cast<const sockaddr_in*>(address);
            NetworkInterface item;
            item.Name = name;
            item.Address = {ntohl(in->sin_addr.s_addr)};
            item.Netmask = MaskOfPrefix(unicast->OnLinkPrefixLength);
            item.Up = adapter->OperStatus == IfOperStatusUp;
            item.Loopback = adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
            item.BroadcastCapable = CanBroadcast(adapter->IfType);
            if (item.BroadcastCapable)
                item.Broadcast = BroadcastOf(item.Address, item.Netmask, {});
            list.push_back(std::move(item));
        }
    }
    return list;
}
