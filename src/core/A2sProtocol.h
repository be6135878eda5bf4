#pragma once

#include "QueryProtocol.h"
#include "ServerStructure.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// The binary query dialect that today's servers answer in place of the text requests.
// Every number is little-endian and every string ends at a zero byte.

using A2sChallenge = std::array<uint8_t, 4>;

// What players and rules requests carry to ask the server for a challenge.
constexpr A2sChallenge AskForChallenge{0xFF, 0xFF, 0xFF, 0xFF};

// FF FF FF FF 54 "Source Engine Query" 00: 25 bytes, nothing more (padded requests are
// refused by some servers).
const Bytes& A2sInfoRequest();
// The same request followed by the challenge the server asked for: 29 bytes.
Bytes A2sInfoRequest(const A2sChallenge& challenge);
// FF FF FF FF 55 + challenge and FF FF FF FF 56 + challenge: 9 bytes each.
Bytes A2sPlayersRequest(const A2sChallenge& challenge = AskForChallenge);
Bytes A2sRulesRequest(const A2sChallenge& challenge = AskForChallenge);

// The type byte of an unsplit reply (after FF FF FF FF), or 0 for anything else.
uint8_t A2sReplyType(std::span<const uint8_t> datagram);

// True for a challenge reply or either info reply: cheap, for counting a scan's answers
// as they arrive.
bool LooksLikeA2sInfoAnswer(std::span<const uint8_t> datagram);
// An answer to either dialect's info request (the text answer, 'I', 'm' or a challenge).
bool LooksLikeAnyInfoAnswer(std::span<const uint8_t> datagram);

// The challenge of a 41 reply (FF FF FF FF 41 + 4 bytes); nothing for any other datagram.
std::optional<A2sChallenge> ParseA2sChallenge(std::span<const uint8_t> datagram);

// An info reply of either form: 'I' (49) or the older 'm' (6D).
struct A2sInfo {
    char Kind = 0;       // 'I' or 'm'
    std::string Address; // 'm' only: "ip:port" as the server names itself
    int Protocol = 0;
    std::string Name;
    std::string Map;
    std::string Folder;
    std::string Game;
    uint16_t AppId = 0; // 'I' only
    int Players = 0;
    int MaxPlayers = 0;
    int Bots = 0;
    char ServerType = 0; // 'd' dedicated, 'l' listen, 'p' proxy
    char Os = 0;         // 'l', 'w', 'm' (or 'o' from older servers)
    bool Password = false;
    bool Secure = false;
    std::string Version; // 'I' only
    // 'I' only: the extra data present, by its flag byte; fields whose bytes are cut
    // short stay unset.
    uint8_t ExtraFlags = 0;
    std::optional<uint16_t> GamePort;      // 0x80
    std::optional<uint64_t> ServerId;      // 0x10
    std::optional<uint16_t> SpectatorPort; // 0x40
    std::string SpectatorName;             // 0x40
    std::optional<std::string> Keywords;   // 0x20
    std::optional<uint64_t> GameId;        // 0x01
    // 'm' only: the mod block, read when the mod byte is 1.
    bool IsMod = false;
    std::string ModLink;
    std::string ModDownload;
    int32_t ModVersion = 0;
    int32_t ModSize = 0;
    uint8_t ModServerOnly = 0;
    uint8_t ModClientLibrary = 0;
    bool operator==(const A2sInfo&) const = default;
};

// Reads an 'I' or 'm' reply. False (info untouched) for any other datagram and for one
// cut short before its last fixed field ('I': the version string; 'm': the mod block);
// extra data cut short keeps the fields read in full. Never reads past the datagram.
bool ParseA2sInfo(std::span<const uint8_t> datagram, A2sInfo& info);

// The info pairs the rest of the program reads from a text answer, built from a binary
// one: "address" is the sender's (the binary dialect names no address the row can rely
// on, and a server sending 'm' and 'I' is one row), then "hostname", "map", "gamedir",
// "description", "protocol", "players", "max", "bots", "password", "secure", "os",
// "type", "version", "appid", and "gameport", "steamid", "keywords" when sent.
ServerInfoStructure A2sInfoPairs(const A2sInfo& info, std::string_view senderIp, int senderPort);

// Reads a players reply 'D' (44): count byte, then per player an index byte (may be 0
// for all), name, int32 score and float32 time. Takes at most the announced count and
// only entries that are whole; a player with an empty name is kept (still connecting).
// Entries 0..playerCount-1 are overwritten. False for any other datagram.
bool ParseA2sPlayers(std::span<const uint8_t> datagram, PlayersInfoStructure& players,
                     int& playerCount);

// Reads a rules reply 'E' (45), unsplit or joined: int16 count, then name and value
// strings. Takes at most the announced count (and MaxRulesInfo) and only whole pairs.
bool ParseA2sRules(std::span<const uint8_t> datagram, RulesInfoStructure& rules, int& ruleCount);
