#include "AnswerRecord.h"

#include "AddressCheck.h"

std::optional<ServerKey> CanonicalAddress(std::string_view address, std::string_view port) {
    AddressPort parsed{};
    if (ParseAddressPort(address, port, parsed) != AddressCheck::Ok)
        return std::nullopt;
    return ServerKey{AddressText(AddressNumber(parsed)), std::to_string(parsed[4])};
}

std::optional<ServerStructure> BuildAnswerRecord(const ServerInfoStructure& info) {
    ServerStructure row;
    const std::string* address = nullptr;
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
            (key == "protocol" ? row.Protocol : row.Password) = std::to_string(*number);
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
