#include "A2sProtocol.h"

#include <algorithm>

namespace {

constexpr uint8_t ChallengeReply = 0x41;
constexpr uint8_t InfoReply = 0x49;
constexpr uint8_t OldInfoReply = 0x6D;
constexpr uint8_t PlayersReply = 0x44;
constexpr uint8_t RulesReply = 0x45;

bool HasPlainHeader(std::span<const uint8_t> b) {
    return b.size() >= 5 && b[0] == 0xFF && b[1] == 0xFF && b[2] == 0xFF && b[3] == 0xFF;
}

// Reads fields front to back; every read that would pass the end fails and leaves the
// reader failed, so a caller checks once after a group of fields.
class ByteReader {
public:
    ByteReader(std::span<const uint8_t> bytes, size_t at) : Bytes(bytes), At(at) {}

    bool Ok() const { return Good; }
    bool AtEnd() const { return At >= Bytes.size(); }

    uint8_t Byte() {
        if (!Need(1))
            return 0;
        return Bytes[At++];
    }
    uint64_t Unsigned(size_t width) {
        if (!Need(width))
            return 0;
        uint64_t value = 0;
        for (size_t i = 0; i < width; ++i)
            value |= static_cast<uint64_t>(Bytes[At + i]) << (8 * i);
        At += width;
        return value;
    }
    int32_t Int32() { return static_cast<int32_t>(static_cast<uint32_t>(Unsigned(4))); }
    // A string up to its zero byte; a string without one fails the read.
    std::string String() {
        if (!Good)
            return {};
        const auto begin = Bytes.begin() + static_cast<std::ptrdiff_t>(At);
        const auto zero = std::find(begin, Bytes.end(), uint8_t{0});
        if (zero == Bytes.end()) {
            Good = false;
            return {};
        }
        std::string text(begin, zero);
        At = static_cast<size_t>(zero - Bytes.begin()) + 1;
        return text;
    }
    void Skip(size_t width) {
        if (Need(width))
            At += width;
    }

private:
    bool Need(size_t width) {
        if (Good && Bytes.size() - std::min(At, Bytes.size()) >= width)
            return true;
        Good = false;
        return false;
    }

    std::span<const uint8_t> Bytes;
    size_t At;
    bool Good = true;
};

// What a name or rule shows, as the text dialect shows it: the text before a tab.
std::string BeforeTab(std::string text) {
    text.erase(std::find(text.begin(), text.end(), '\t'), text.end());
    return text;
}

Bytes WithChallenge(uint8_t type, const A2sChallenge& challenge) {
    Bytes bytes{0xFF, 0xFF, 0xFF, 0xFF, type};
    bytes.insert(bytes.end(), challenge.begin(), challenge.end());
    return bytes;
}

bool ReadInfoI(ByteReader& r, A2sInfo& out) {
    out.Protocol = r.Byte();
    out.Name = r.String();
    out.Map = r.String();
    out.Folder = r.String();
    out.Game = r.String();
    out.AppId = static_cast<uint16_t>(r.Unsigned(2));
    out.Players = r.Byte();
    out.MaxPlayers = r.Byte();
    out.Bots = r.Byte();
    out.ServerType = static_cast<char>(r.Byte());
    out.Os = static_cast<char>(r.Byte());
    out.Password = r.Byte() != 0;
    out.Secure = r.Byte() != 0;
    out.Version = r.String();
    if (!r.Ok())
        return false;
    if (r.AtEnd())
        return true;
    out.ExtraFlags = r.Byte();
    // Each field is kept only when read whole; the first one cut short ends the reading.
    if (out.ExtraFlags & 0x80) {
        const auto port = static_cast<uint16_t>(r.Unsigned(2));
        if (!r.Ok())
            return true;
        out.GamePort = port;
    }
    if (out.ExtraFlags & 0x10) {
        const uint64_t id = r.Unsigned(8);
        if (!r.Ok())
            return true;
        out.ServerId = id;
    }
    if (out.ExtraFlags & 0x40) {
        const auto port = static_cast<uint16_t>(r.Unsigned(2));
        std::string name = r.String();
        if (!r.Ok())
            return true;
        out.SpectatorPort = port;
        out.SpectatorName = std::move(name);
    }
    if (out.ExtraFlags & 0x20) {
        std::string keywords = r.String();
        if (!r.Ok())
            return true;
        out.Keywords = std::move(keywords);
    }
    if (out.ExtraFlags & 0x01) {
        const uint64_t id = r.Unsigned(8);
        if (r.Ok())
            out.GameId = id;
    }
    return true;
}

bool ReadInfoM(ByteReader& r, A2sInfo& out) {
    out.Address = r.String();
    out.Name = r.String();
    out.Map = r.String();
    out.Folder = r.String();
    out.Game = r.String();
    out.Players = r.Byte();
    out.MaxPlayers = r.Byte();
    out.Protocol = r.Byte();
    out.ServerType = static_cast<char>(r.Byte());
    out.Os = static_cast<char>(r.Byte());
    out.Password = r.Byte() != 0;
    out.IsMod = r.Byte() == 1;
    if (out.IsMod) {
        out.ModLink = r.String();
        out.ModDownload = r.String();
        r.Byte(); // the empty string between the links and the numbers
        out.ModVersion = r.Int32();
        out.ModSize = r.Int32();
        out.ModServerOnly = r.Byte();
        out.ModClientLibrary = r.Byte();
    }
    if (!r.Ok())
        return false;
    // Some servers end the reply before these two; they are then not told.
    if (!r.AtEnd())
        out.Secure = r.Byte() != 0;
    if (!r.AtEnd())
        out.Bots = r.Byte();
    return true;
}

// The ServerStructure letter of a type or OS byte, as text.
std::string Letter(char c) {
    return c == 0 ? std::string() : std::string(1, c);
}

} // namespace

const Bytes& A2sInfoRequest() {
    static constexpr std::string_view request("\xFF\xFF\xFF\xFF"
                                              "TSource Engine Query\0",
                                              25);
    static const Bytes bytes(request.begin(), request.end());
    return bytes;
}

Bytes A2sInfoRequest(const A2sChallenge& challenge) {
    Bytes bytes = A2sInfoRequest();
    bytes.insert(bytes.end(), challenge.begin(), challenge.end());
    return bytes;
}

Bytes A2sPlayersRequest(const A2sChallenge& challenge) {
    return WithChallenge(0x55, challenge);
}

Bytes A2sRulesRequest(const A2sChallenge& challenge) {
    return WithChallenge(0x56, challenge);
}

uint8_t A2sReplyType(std::span<const uint8_t> datagram) {
    return HasPlainHeader(datagram) ? datagram[4] : 0;
}

bool LooksLikeA2sInfoAnswer(std::span<const uint8_t> datagram) {
    const uint8_t type = A2sReplyType(datagram);
    return type == InfoReply || type == OldInfoReply || type == ChallengeReply;
}

bool LooksLikeAnyInfoAnswer(std::span<const uint8_t> datagram) {
    return LooksLikeInfoAnswer(datagram) || LooksLikeA2sInfoAnswer(datagram);
}

std::optional<A2sChallenge> ParseA2sChallenge(std::span<const uint8_t> datagram) {
    if (A2sReplyType(datagram) != ChallengeReply || datagram.size() < 9)
        return std::nullopt;
    A2sChallenge challenge{};
    std::copy_n(datagram.begin() + 5, 4, challenge.begin());
    return challenge;
}

bool ParseA2sInfo(std::span<const uint8_t> datagram, A2sInfo& info) {
    const uint8_t type = A2sReplyType(datagram);
    if (type != InfoReply && type != OldInfoReply)
        return false;
    A2sInfo read;
    read.Kind = static_cast<char>(type);
    ByteReader r(datagram, 5);
    if (!(type == InfoReply ? ReadInfoI(r, read) : ReadInfoM(r, read)))
        return false;
    info = std::move(read);
    return true;
}

ServerInfoStructure A2sInfoPairs(const A2sInfo& info, std::string_view senderIp, int senderPort) {
    ServerInfoStructure pairs;
    int i = 0;
    auto add = [&](const char* key, std::string value) {
        pairs.Keys[static_cast<size_t>(i)] = key;
        pairs.Values[static_cast<size_t>(i)] = std::move(value);
        ++i;
    };
    add("address", std::string(senderIp) + ":" + std::to_string(senderPort));
    add("hostname", info.Name);
    add("map", info.Map);
    add("gamedir", info.Folder);
    add("description", info.Game);
    add("protocol", std::to_string(info.Protocol));
    add("players", std::to_string(info.Players));
    add("max", std::to_string(info.MaxPlayers));
    add("bots", std::to_string(info.Bots));
    add("password", info.Password ? "1" : "0");
    add("secure", info.Secure ? "1" : "0");
    add("os", Letter(info.Os));
    add("type", Letter(info.ServerType));
    add("version", info.Version);
    if (info.Kind == 'I')
        add("appid", std::to_string(info.AppId));
    if (info.GamePort)
        add("gameport", std::to_string(*info.GamePort));
    if (info.ServerId)
        add("steamid", std::to_string(*info.ServerId));
    if (info.Keywords)
        add("keywords", *info.Keywords);
    return pairs;
}

bool ParseA2sPlayers(std::span<const uint8_t> datagram, PlayersInfoStructure& players,
                     int& playerCount) {
    if (A2sReplyType(datagram) != PlayersReply)
        return false;
    ByteReader r(datagram, 5);
    const int announced = r.Byte();
    int count = 0;
    while (count < std::min(announced, MaxPlayersInfo)) {
        r.Byte(); // the index, 0 for every player on some servers
        std::string name = r.String();
        const int32_t score = r.Int32();
        r.Skip(4); // time on the server
        if (!r.Ok())
            break;
        const auto at = static_cast<size_t>(count);
        players.Numbers[at] = std::to_string(count + 1);
        players.Names[at] = BeforeTab(std::move(name));
        players.Frags[at] = std::to_string(score);
        ++count;
    }
    playerCount = count;
    return true;
}

bool ParseA2sRules(std::span<const uint8_t> datagram, RulesInfoStructure& rules, int& ruleCount) {
    if (A2sReplyType(datagram) != RulesReply)
        return false;
    ByteReader r(datagram, 5);
    const auto announced = static_cast<int>(r.Unsigned(2));
    int count = 0;
    while (r.Ok() && count < std::min(announced, MaxRulesInfo)) {
        std::string name = r.String();
        std::string value = r.String();
        if (!r.Ok())
            break;
        const auto at = static_cast<size_t>(count);
        rules.Names[at] = BeforeTab(std::move(name));
        rules.Values[at] = BeforeTab(std::move(value));
        ++count;
    }
    ruleCount = count;
    return true;
}
