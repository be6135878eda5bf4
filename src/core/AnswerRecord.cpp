#include "AnswerRecord.h"

#include "AddressCheck.h"

std::optional<ServerKey> CanonicalAddress(std::string_view address, std::string_view port) {
    AddressPort parsed{};
    if (ParseAddressPort(address, port, parsed) != AddressCheck::Ok)
        return std::nullopt;
    return ServerKey{AddressText(AddressNumber(parsed)), std::to_string(parsed[4])};
}

bool IsCounterStrikeFolder(std::string_view folder) {
    constexpr std::string_view counterStrike = "cstrike";
    if (folder.empty())
        return true;
    if (folder.size() != counterStrike.size())
        return false;
    for (size_t i = 0; i < folder.size(); ++i) {
        const char c =
            folder[i] >= 'A' && folder[i] <= 'Z' ? char(folder[i] - 'A' + 'a') : folder[i];
        if (c != counterStrike[i])
            return false;
    }
    return true;
}

std::string VersionTag(int32_t protocol, std::string_view folder) {
    if (!IsCounterStrikeFolder(folder))
        return "00";
    if (protocol == 48)
        return "47";
    return std::to_string(protocol);
}

void MergeAnswer(ServerStructure& row, const ServerStructure& answer) {
    row.Name = answer.Name;
    row.Map = answer.Map;
    row.Players = answer.Players;
    row.MaxPlayers = answer.MaxPlayers;
    row.Protocol = answer.Protocol;
    row.Password = answer.Password;
    row.Alive = answer.Alive;
    row.Answered = answer.Answered;
    ComplementAnswer(row, answer);
    if (row.Dialect != QueryDialect::Binary)
        row.Dialect = answer.Dialect;
}

bool ComplementAnswer(ServerStructure& row, const ServerStructure& answer) {
    // Called for every answer: each field says whether it changed, no copy of the row.
    bool changed = false;
    const auto take = [&changed](auto& field, const auto& value) {
        if (!(field == value)) {
            field = value;
            changed = true;
        }
    };
    // A row once answered in the binary dialect stays binary: its answers say more.
    if (answer.Dialect == QueryDialect::Binary)
        take(row.Dialect, QueryDialect::Binary);
    if (!answer.GameFolder.empty())
        take(row.GameFolder, answer.GameFolder);
    if (!answer.Bots.empty())
        take(row.Bots, answer.Bots);
    if (!answer.Version.empty())
        take(row.Version, answer.Version);
    if (answer.Os != 0)
        take(row.Os, answer.Os);
    if (answer.Secure >= 0)
        take(row.Secure, answer.Secure);
    return changed;
}

std::optional<ServerStructure> BuildAnswerRecord(const ServerInfoStructure& info,
                                                 QueryDialect dialect) {
    ServerStructure row;
    const std::string* address = nullptr;
    std::optional<int32_t> protocol;
    for (int i = 0; i < InfoPairCount; ++i) {
        const std::string& key = info.Keys[i];
        const std::string& value = info.Values[i];
        if (key == "address") {
            if (value.empty())
                return std::nullopt;
            address = &value;
        } else if (key == "protocol" || key == "password") {
            // A value that is not a number loses the answer quietly: a broken server must
            // not raise an error box in the middle of a scan.
            const auto number = ParseInt32(value);
            if (!number)
                return std::nullopt;
            if (key == "protocol")
                protocol = *number;
            else
                row.Password = std::to_string(*number);
        } else if (key == "gamedir") {
            row.GameFolder = value;
        } else if (key == "bots") {
            row.Bots = ParseInt32(value) ? std::to_string(*ParseInt32(value)) : std::string();
        } else if (key == "version") {
            row.Version = value;
        } else if (key == "os") {
            row.Os = value.size() == 1 ? value[0] : 0;
        } else if (key == "secure") {
            row.Secure = value == "1" ? 1 : value == "0" ? 0 : -1;
        } else if (key == "map") {
            row.Map = value;
        } else if (key == "players") {
            row.Players = value;
        } else if (key == "max") {
            row.MaxPlayers = value;
        } else if (key == "hostname") {
            row.Name = value;
        }
    }
    // Without a usable address the answer cannot be told apart from other broken ones.
    if (!address)
        return std::nullopt;
    const size_t colon = address->find(':');
    if (colon == std::string::npos)
        return std::nullopt;
    auto canonical = CanonicalAddress(std::string_view(*address).substr(0, colon),
                                      std::string_view(*address).substr(colon + 1));
    if (!canonical)
        return std::nullopt;
    if (protocol)
        row.Protocol = VersionTag(*protocol, row.GameFolder);
    row.Dialect = dialect;
    row.IP = std::move(canonical->IP);
    row.Port = std::move(canonical->Port);
    row.Response.clear();
    row.Alive = true;
    row.Answered = true;
    return row;
}

void BlankForQuery(ServerStructure& row, uint32_t sentAt) {
    row.Name.clear();
    row.Map.clear();
    row.Players.clear();
    row.MaxPlayers.clear();
    row.Response.clear();
    row.Alive = false;
    row.Answered = false;
    row.SentAt = sentAt;
}
