#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// How a server answered its queries: the text requests ("infostring", "players",
// "rules") or the binary ones. A row whose dialect is not known is asked in both.
enum class QueryDialect : uint8_t { Unknown = 0, Text = 1, Binary = 2 };

// One server row. Texts are GBK bytes; numbers are decimal texts, converted where used.
struct ServerStructure {
    std::string Name;
    std::string IP;
    std::string Port;
    std::string Map;
    std::string Players;
    std::string MaxPlayers;
    std::string Response;
    std::string Protocol; // "46" CS 1.5, "47" CS 1.6, "00" not known yet
    std::string Password; // "1", "0" or empty when not known
    bool Alive = false;
    bool Answered = false;
    uint32_t SentAt = 0;
    // What the answers add beyond the columns; empty (or Unknown, 0, -1) when not told.
    QueryDialect Dialect = QueryDialect::Unknown;
    std::string GameFolder; // "cstrike" for Counter-Strike; other games are never launched
    std::string Bots;       // decimal count of bots among Players
    std::string Version;    // the server's own version text (binary dialect)
    char Os = 0;            // 'l' Linux, 'w' Windows, 'm' macOS
    int8_t Secure = -1;     // VAC: 1 on, 0 off
    bool operator==(const ServerStructure&) const = default;
};

// Row identity: the same IP text and the same Port text.
inline bool SameServer(const ServerStructure& a, const ServerStructure& b) {
    return a.IP == b.IP && a.Port == b.Port;
}

constexpr int InfoPairCount = 18;
constexpr int MaxPlayersInfo = 32;
constexpr int MaxRulesInfo = 128;

struct ServerInfoStructure {
    std::array<std::string, InfoPairCount> Keys;
    std::array<std::string, InfoPairCount> Values;
};

struct PlayersInfoStructure {
    std::array<std::string, MaxPlayersInfo> Numbers;
    std::array<std::string, MaxPlayersInfo> Names;
    std::array<std::string, MaxPlayersInfo> Frags;
};

struct RulesInfoStructure {
    std::array<std::string, MaxRulesInfo> Names;
    std::array<std::string, MaxRulesInfo> Values;
};
