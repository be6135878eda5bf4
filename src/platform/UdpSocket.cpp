#include "UdpSocket.h"

#include <cstdio>

// The parts of the socket layer that every system shares; the system calls live in
// UdpSocketPosix.cpp and UdpSocketWin.cpp.

std::optional<Ipv4Address> Ipv4Address::Parse(const std::string& text) {
    // Four decimal parts of 0..255 without leading zeros, nothing else: the system's own
    // parsers differ on the rest, and an address must read alike on every system.
    uint32_t value = 0;
    size_t at = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (at >= text.size() || text[at] != '.')
                return std::nullopt;
            ++at;
        }
        const size_t start = at;
        unsigned number = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 3) {
            number = number * 10 + static_cast<unsigned>(text[at] - '0');
            ++at;
        }
        const size_t digits = at - start;
        if (digits == 0 || number > 255 || (digits > 1 && text[start] == '0'))
            return std::nullopt;
        value = (value << 8) | number;
    }
    if (at != text.size())
        return std::nullopt;
    return Ipv4Address{value};
}

std::string Ipv4Address::ToString() const {
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", static_cast<int>((Value >> 24) & 0xFF),
                  static_cast<int>((Value >> 16) & 0xFF), static_cast<int>((Value >> 8) & 0xFF),
                  static_cast<int>(Value & 0xFF));
    return text;
}

UdpSocket::~UdpSocket() {
    Close();
}
