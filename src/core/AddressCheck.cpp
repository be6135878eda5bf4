#include "AddressCheck.h"

#include "ServerList.h"

AddressCheck ParseAddressPort(std::string_view a, std::string_view p, AddressPort& out) {
    AddressPort r{};
    int dots = 0;
    size_t at;
    while ((at = a.find('.')) != std::string_view::npos && dots < 4) {
        const auto octet = ParseInt32(a.substr(0, at));
        if (!octet)
            return AddressCheck::BadAddress;
        r[static_cast<size_t>(dots)] = *octet;
        a.remove_prefix(at + 1);
        ++dots;
    }
    if (a.find('.') != std::string_view::npos)
        return AddressCheck::BadAddress;
    const auto last = ParseInt32(a);
    if (!last)
        return AddressCheck::BadAddress;
    r[3] = *last;
    if (dots != 3)
        return AddressCheck::BadAddress;
    if (r[3] == 0 || r[3] == 255)
        return AddressCheck::BadAddress;
    bool inRange = true;
    for (size_t i = 0; i < 4; ++i)
        inRange = inRange && r[i] >= 0 && r[i] <= 255;
    const auto port = ParseInt32(p);
    if (!port || *port < 1 || *port > 65535)
        return AddressCheck::BadPort;
    if (!inRange)
        return AddressCheck::BadAddress;
    r[4] = *port;
    out = r;
    return AddressCheck::Ok;
}

uint32_t AddressNumber(const AddressPort& a) {
    return (static_cast<uint32_t>(a[0]) << 24) | (static_cast<uint32_t>(a[1]) << 16) |
           (static_cast<uint32_t>(a[2]) << 8) | static_cast<uint32_t>(a[3]);
}

std::string AddressText(uint32_t a) {
    return std::to_string(a >> 24) + '.' + std::to_string((a >> 16) & 255) + '.' +
           std::to_string((a >> 8) & 255) + '.' + std::to_string(a & 255);
}

std::string Trim(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ')
        --e;
    return std::string(text.substr(b, e - b));
}
