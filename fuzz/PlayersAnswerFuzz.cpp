// ParsePlayersAnswer in every detail state: only state 2 and a "D" answer are taken; then
// at most 32 players, numbered 1.., names without zero or tab bytes, frags that are
// integers, and an answer rebuilt from them reads the same. A refused datagram changes
// nothing.
#include "FuzzCheck.h"
#include "QueryProtocol.h"
#include "ServerList.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

PlayersInfoStructure Sentinel() {
    PlayersInfoStructure players;
    for (int i = 0; i < MaxPlayersInfo; ++i) {
        players.Numbers[i] = "n";
        players.Names[i] = "sentinel";
        players.Frags[i] = "f";
    }
    return players;
}

Bytes Rebuild(const PlayersInfoStructure& players, int count) {
    Bytes out{0xFF, 0xFF, 0xFF, 0xFF, 'D', static_cast<uint8_t>(count)};
    for (int i = 0; i < count; ++i) {
        out.push_back(static_cast<uint8_t>(i));
        out.insert(out.end(), players.Names[i].begin(), players.Names[i].end());
        out.push_back(0);
        const auto frags = static_cast<uint32_t>(*ParseInt32(players.Frags[i]));
        for (int b = 0; b < 4; ++b)
            out.push_back(static_cast<uint8_t>(frags >> (8 * b)));
        for (int b = 0; b < 4; ++b)
            out.push_back(0); // connection time
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const int state = data[0] % 5;
    const std::vector<uint8_t> datagram(data + 1, data + size);

    PlayersInfoStructure players = Sentinel();
    int count = -7;
    const bool accepted = ParsePlayersAnswer(datagram, state, players, count);

    const bool tagged =
        datagram.size() >= 22 && std::memcmp(datagram.data() + 4, "infostringresponse", 18) == 0;
    const bool expected =
        state == DetailPlayers && !tagged && datagram.size() >= 5 && datagram[4] == 'D';
    FUZZ_CHECK(accepted == expected);
    if (!accepted) {
        FUZZ_CHECK(count == -7);
        FUZZ_CHECK(players.Names == Sentinel().Names && players.Frags == Sentinel().Frags &&
                   players.Numbers == Sentinel().Numbers);
        return 0;
    }
    FUZZ_CHECK(count >= 0 && count <= MaxPlayersInfo);
    FUZZ_CHECK((count == 0) == (datagram.size() <= 6));
    for (int i = 0; i < MaxPlayersInfo; ++i) {
        if (i >= count) {
            FUZZ_CHECK(players.Names[i] == "sentinel" && players.Frags[i] == "f");
            continue;
        }
        FUZZ_CHECK(players.Numbers[i] == std::to_string(i + 1));
        FUZZ_CHECK(players.Names[i].find('\0') == std::string::npos);
        FUZZ_CHECK(players.Names[i].find('\t') == std::string::npos);
        const auto frags = ParseInt32(players.Frags[i]);
        FUZZ_CHECK(frags && std::to_string(*frags) == players.Frags[i]);
    }

    PlayersInfoStructure again = Sentinel();
    int againCount = -1;
    FUZZ_CHECK(ParsePlayersAnswer(Rebuild(players, count), DetailPlayers, again, againCount));
    FUZZ_CHECK(againCount == count);
    for (int i = 0; i < count; ++i)
        FUZZ_CHECK(again.Names[i] == players.Names[i] && again.Frags[i] == players.Frags[i]);
    return 0;
}
