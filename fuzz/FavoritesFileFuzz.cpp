// The favorites reader on any file: only valid, distinct addresses and ports, tagged and
// otherwise blank, and writing them and reading them back gives the same rows. Then the
// writer on rows with any names, maps and counts: every row comes back, none is added.
#include "FavoritesFile.h"
#include "FuzzCheck.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

const char* const Tags[] = {"46", "47", "00"};

void CheckRead(const std::vector<ServerStructure>& rows, std::string_view tag) {
    std::set<std::pair<std::string, std::string>> seen;
    for (const ServerStructure& row : rows) {
        FUZZ_CHECK(ValidateAddressPort(row.IP, row.Port));
        FUZZ_CHECK(seen.insert({row.IP, row.Port}).second);
        ServerStructure blank;
        blank.IP = row.IP;
        blank.Port = row.Port;
        blank.Protocol = std::string(tag);
        FUZZ_CHECK(row == blank);
    }
}

// A valid address and port, written as a server, a game or a hand would.
std::pair<std::string, std::string> MakeAddress(FuzzedDataProvider& in) {
    std::string ip = std::to_string(in.ConsumeIntegral<uint8_t>()) + '.' +
                     std::to_string(in.ConsumeIntegral<uint8_t>()) + '.' +
                     std::to_string(in.ConsumeIntegral<uint8_t>()) + '.' +
                     std::to_string(in.ConsumeIntegralInRange(1, 254));
    std::string port = std::to_string(in.ConsumeIntegralInRange(1, 65535));
    if (in.ConsumeBool())
        port = "0" + port;
    return {ip, port};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string_view tag = Tags[in.ConsumeIntegralInRange(0, 2)];

    if (in.ConsumeBool()) {
        const std::string file = in.ConsumeRemainingBytesAsString();
        const auto rows = ReadFavoritesFile(file, tag);
        CheckRead(rows, tag);
        const auto again = ReadFavoritesFile(FavoritesFileBytes(rows, tag), tag);
        FUZZ_CHECK(again == rows);
        return 0;
    }

    std::vector<ServerStructure> rows;
    std::vector<std::pair<std::string, std::string>> expected;
    while (in.remaining_bytes() > 0 && rows.size() < 16) {
        ServerStructure row;
        std::tie(row.IP, row.Port) = MakeAddress(in);
        row.Name = in.ConsumeRandomLengthString(24);
        row.Map = in.ConsumeRandomLengthString(12);
        row.Players = in.ConsumeRandomLengthString(4);
        row.MaxPlayers = in.ConsumeRandomLengthString(4);
        row.Protocol = in.ConsumeBool() ? std::string(tag) : "45";
        if (FavoritesFileTag(row.Protocol) == tag &&
            std::find(expected.begin(), expected.end(), std::pair{row.IP, row.Port}) ==
                expected.end())
            expected.emplace_back(row.IP, row.Port);
        rows.push_back(std::move(row));
    }
    const auto read = ReadFavoritesFile(FavoritesFileBytes(rows, tag), tag);
    CheckRead(read, tag);
    FUZZ_CHECK(read.size() == expected.size());
    for (size_t i = 0; i < read.size(); ++i)
        FUZZ_CHECK(read[i].IP == expected[i].first && read[i].Port == expected[i].second);
    return 0;
}
