#include "LanRange.h"

#include <algorithm>
#include <bit>
#include <cstdint>

std::optional<LanRange> FirstRunRange(const std::vector<NetworkInterface>& interfaces) {
    const auto found = std::find_if(interfaces.begin(), interfaces.end(), [](const auto& i) {
        return i.Up && !i.Loopback && i.Address.Value != 0;
    });
    if (found == interfaces.end())
        return std::nullopt;
    const uint32_t own = found->Address.Value;
    const uint32_t mask = found->Netmask.Value;
    const int prefix = std::countl_one(mask);
    const uint32_t block = own & 0xFFFFFF00u;
    uint32_t low = block | 1u;
    uint32_t high = block | 254u;
    if (prefix == 32) {
        low = high = own;
    } else if (prefix == 31) {
        // A point-to-point pair: both addresses are hosts.
        low = std::max(low, own & mask);
        high = std::min(high, (own & mask) | 1u);
    } else if (prefix > 24) {
        const uint32_t network = own & mask;
        low = std::max(low, network + 1);
        high = std::min(high, (network | ~mask) - 1);
    }
    const uint32_t last = own & 0xFFu;
    if (prefix == 32 && (last == 0 || last == 255))
        return std::nullopt;
    if (low > high)
        return std::nullopt;
    return LanRange{Ipv4Address{low}.ToString(), Ipv4Address{high}.ToString()};
}

std::vector<std::string> FirstRunPorts() {
    return {"27015", "27016", "27017", "27018", "27019", "27020"};
}
