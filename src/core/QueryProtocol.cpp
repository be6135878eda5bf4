#include "QueryProtocol.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr std::string_view InfoTag = "infostringresponse";

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool HasInfoTag(std::span<const uint8_t> b) {
    return b.size() >= 4 + InfoTag.size() &&
           std::memcmp(b.data() + 4, InfoTag.data(), InfoTag.size()) == 0;
}

// Takes the text up to the next backslash (or all of it) and drops it with that backslash.
std::string_view TakeField(std::string_view& t) {
    const size_t at = t.find('\\');
    if (at == std::string_view::npos) {
        std::string_view all = t;
        t = {};
        return all;
    }
    std::string_view field = t.substr(0, at);
    t.remove_prefix(at + 1);
    return field;
}

// The text of [from, to) up to its first tab: what a name or a rule shows.
std::string TextBeforeTab(std::span<const uint8_t> b, size_t from, size_t to) {
    const auto* text = reinterpret_cast<const char*>(b.data());
    const auto* end = std::find(text + from, text + to, '\t');
    return std::string(text + from, end);
}

// The engine sends counts as signed 32-bit little-endian integers.
int32_t ReadInt32(std::span<const uint8_t> b, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(b[at + i]) << (8 * i);
    return static_cast<int32_t>(value);
}

} // namespace

Bytes HexToBytes(std::string_view hex) {
    Bytes out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        const int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0)
            break;
        out.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    return out;
}

const Bytes& InfoRequest() {
    static const Bytes bytes = HexToBytes("ffffffff696e666f737472696e670a00");
    return bytes;
}

const Bytes& PlayersRequest() {
    static const Bytes bytes = HexToBytes("ffffffff706c617965727300");
    return bytes;
}

const Bytes& RulesRequest() {
    static const Bytes bytes = HexToBytes("ffffffff72756c657300");
    return bytes;
}

void MarkInfoHeader(std::span<uint8_t> datagram) {
    if (datagram.size() > InfoHeaderEnd)
        datagram[InfoHeaderEnd] = 0x40;
}

bool ReadInfoAnswer(std::span<const uint8_t> datagram, ServerInfoStructure& info) {
    std::array<uint8_t, 2048> copy;
    const size_t n = std::min(datagram.size(), copy.size());
    std::copy_n(datagram.begin(), n, copy.begin());
    const std::span<uint8_t> marked(copy.data(), n);
    MarkInfoHeader(marked);
    return ParseInfoAnswer(marked, info);
}

bool LooksLikeInfoAnswer(std::span<const uint8_t> datagram) {
    return HasInfoTag(datagram);
}

bool ParseInfoAnswer(std::span<const uint8_t> datagram, ServerInfoStructure& info) {
    // std::find, not memchr: an empty datagram may come with a null data pointer.
    const auto zero = std::find(datagram.begin(), datagram.end(), uint8_t{0});
    const auto length = static_cast<size_t>(zero - datagram.begin());
    std::string_view t(reinterpret_cast<const char*>(datagram.data()), length);
    if (!HasInfoTag({datagram.data(), t.size()}))
        return false;
    const size_t slash = t.find('\\');
    t = slash == std::string_view::npos ? std::string_view{} : t.substr(slash + 1);
    for (int i = 0; i < InfoPairCount; ++i) {
        if (t.empty()) {
            info.Keys[i].clear();
            info.Values[i].clear();
            continue;
        }
        info.Keys[i] = TakeField(t);
        info.Values[i] = TakeField(t);
    }
    return true;
}

bool ParsePlayersAnswer(std::span<const uint8_t> b, int detailState, PlayersInfoStructure& players,
                        int& playerCount) {
    if (detailState != DetailPlayers)
        return false;
    if (HasInfoTag(b) || b.size() < 5 || b[4] != 'D')
        return false;
    const size_t n = b.size();
    size_t pos = 6;
    int i = 0;
    while (pos < n && i < MaxPlayersInfo) {
        pos += 1; // player index
        players.Numbers[i] = std::to_string(i + 1);
        // Only the zero byte ends a name on the wire; a tab inside it just cuts what is shown.
        const size_t zero = static_cast<size_t>(std::find(b.begin() + pos, b.end(), 0) - b.begin());
        if (zero < n) {
            players.Names[i] = TextBeforeTab(b, pos, zero);
            pos = zero + 1;
        } else {
            players.Names[i].clear();
        }
        players.Frags[i] = pos + 4 <= n ? std::to_string(ReadInt32(b, pos)) : "0";
        pos += 8; // frag count and connection time
        ++i;
    }
    playerCount = i;
    return true;
}

bool ParseRulesAnswer(std::span<const uint8_t> b, int detailState, RulesInfoStructure& rules,
                      int& ruleCount) {
    if (detailState != DetailRules || b.size() < 512)
        return false;
    if (HasInfoTag(b))
        return false;
    const auto e = std::find(b.begin(), b.end(), uint8_t{'E'});
    if (e == b.end())
        return false;
    size_t pos = static_cast<size_t>(e - b.begin()) + 3; // 'E' and the rule count
    const size_t n = b.size();
    int k = 0;
    bool wantName = true;
    while (pos < n && k < MaxRulesInfo) {
        // Fields end at zero bytes only, so a tab inside a value cannot shift the pairs.
        const size_t end = static_cast<size_t>(std::find(b.begin() + pos, b.end(), 0) - b.begin());
        std::string field = TextBeforeTab(b, pos, end);
        if (wantName) {
            rules.Names[k] = std::move(field);
            rules.Values[k].clear();
        } else {
            rules.Values[k] = std::move(field);
            ++k;
        }
        wantName = !wantName;
        pos = end + 1;
    }
    if (!wantName) // a name that is the last field has an empty value
        ++k;
    ruleCount = k;
    return true;
}

std::string_view InfoValue(const ServerInfoStructure& info, std::string_view key) {
    std::string_view value;
    for (int i = 0; i < InfoPairCount; ++i)
        if (info.Keys[i] == key)
            value = info.Values[i];
    return value;
}
