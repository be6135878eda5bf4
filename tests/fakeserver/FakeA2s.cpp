#include "FakeServer.h"

#include <algorithm>
#include <cstring>
#include <random>

namespace {

const std::string Header("\xFF\xFF\xFF\xFF", 4);
const std::string InfoQuery("TSource Engine Query\0", 21);

void PutInt(std::string& out, uint64_t value, int width) {
    for (int i = 0; i < width; ++i)
        out.push_back(char((value >> (8 * i)) & 0xFF));
}

void PutString(std::string& out, std::string_view text) {
    out += text;
    out.push_back('\0');
}

uint32_t ReadChallenge(std::string_view request, size_t at) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= uint32_t(uint8_t(request[at + i])) << (8 * i);
    return value;
}

} // namespace

char ClassifyRequest(std::string_view data, bool newlineRequired) {
    if (data.size() < 5 || data.substr(0, 4) != Header)
        return '?';
    // The binary requests, at their exact lengths: a padded one is not understood.
    if (data.substr(4, InfoQuery.size()) == InfoQuery)
        return data.size() == 25 || data.size() == 29 ? 'T' : '?';
    if (data[4] == 'U' || data[4] == 'V')
        return data.size() == 9 ? data[4] : '?';
    // The text requests, read as the engine does: after the four 0xFF bytes, one line
    // ended by a line feed, a zero byte or the datagram's end; its first word is the
    // command.
    std::string_view line = data.substr(4);
    line = line.substr(0, line.find('\0'));
    const size_t newline = line.find('\n');
    const bool hasNewline = newline != std::string_view::npos;
    line = line.substr(0, newline);
    const size_t start = line.find_first_not_of(" \t\r");
    if (start == std::string_view::npos)
        return '?';
    line = line.substr(start);
    const std::string_view command = line.substr(0, line.find_first_of(" \t\r"));
    if (command == "infostring")
        return newlineRequired && !hasNewline ? '?' : 'i';
    if (command == "players")
        return 'p';
    if (command == "rules")
        return 'r';
    return '?';
}

std::string BuildA2sInfoI(const FakeServerConfig& config) {
    std::string out = Header + "I";
    out.push_back(char(config.Protocol == 47 ? 48 : config.Protocol));
    PutString(out, config.Name);
    PutString(out, config.Map);
    PutString(out, config.GameDir);
    PutString(out, config.Description);
    PutInt(out, 10, 2); // the app id of Counter-Strike
    out.push_back(char(config.Players));
    out.push_back(char(config.MaxPlayers));
    out.push_back(char(config.Bots));
    out.push_back('d');
    out.push_back('l');
    out.push_back(config.Password ? 1 : 0);
    out.push_back(1); // VAC
    PutString(out, config.Version);
    // Extra data as today's servers send it: the game port and the game id.
    out.push_back(char(0x81));
    PutInt(out, config.Port, 2);
    PutInt(out, 10, 8);
    return out;
}

std::string BuildA2sInfoM(const FakeServerConfig& config) {
    std::string out = Header + "m";
    PutString(out, ReportedAddressOf(config));
    PutString(out, config.Name);
    PutString(out, config.Map);
    PutString(out, config.GameDir);
    PutString(out, config.Description);
    out.push_back(char(config.Players));
    out.push_back(char(config.MaxPlayers));
    out.push_back(char(config.Protocol));
    out.push_back('d');
    out.push_back('l');
    out.push_back(config.Password ? 1 : 0);
    out.push_back(0); // not a mod
    out.push_back(1); // VAC
    out.push_back(char(config.Bots));
    return out;
}

std::string BuildA2sChallenge(uint32_t challenge) {
    std::string out = Header + "A";
    PutInt(out, challenge, 4);
    return out;
}

std::vector<std::string> SplitA2sReply(const std::string& reply, int pieces, int32_t id,
                                       uint32_t seed) {
    pieces = std::clamp(pieces, 1, 15);
    const size_t size = (reply.size() + size_t(pieces) - 1) / size_t(pieces);
    std::vector<std::string> out;
    for (int i = 0; i < pieces; ++i) {
        std::string piece("\xFE\xFF\xFF\xFF", 4);
        PutInt(piece, uint32_t(id), 4);
        piece.push_back(char(i << 4 | pieces));
        const size_t from = std::min(reply.size(), size_t(i) * size);
        piece += reply.substr(from, size);
        out.push_back(std::move(piece));
    }
    std::mt19937 random(seed);
    std::shuffle(out.begin(), out.end(), random);
    return out;
}

std::vector<std::string> BuildA2sAnswers(const FakeServerConfig& config, char kind,
                                         std::string_view request, uint32_t challenge,
                                         uint32_t serial) {
    if (config.ChallengeForEver)
        return {BuildA2sChallenge(challenge ^ (serial * 0x9E3779B9u))};
    if (kind == 'T') {
        const bool carries = request.size() == 29;
        if (config.Challenge && (!carries || ReadChallenge(request, 25) != challenge))
            return {BuildA2sChallenge(challenge)};
        std::vector<std::string> out;
        if (config.InfoForm != FakeInfoForm::I)
            out.push_back(BuildA2sInfoM(config));
        if (config.InfoForm != FakeInfoForm::M)
            out.push_back(BuildA2sInfoI(config));
        return out;
    }
    if (kind != 'U' && kind != 'V')
        return {};
    // Players and rules always go through the challenge, as the engine's servers do.
    if (ReadChallenge(request, 5) != challenge)
        return {BuildA2sChallenge(challenge)};
    if (kind == 'U')
        return {config.RawPlayers ? *config.RawPlayers : BuildPlayersAnswer(config)};
    const std::string rules = config.RawRules ? *config.RawRules : BuildRulesAnswer(config);
    if (config.RulesSplit > 1)
        return SplitA2sReply(rules, config.RulesSplit, int32_t(serial), serial);
    return {rules};
}
