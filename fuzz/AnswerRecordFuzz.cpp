// The row an info answer describes: made only from a usable address and integer protocol
// and password values, and then always a valid, canonical address and port (the only
// thing a game command line is ever built from) with the answer's texts as sent. The
// protocol is kept as the version tag the lists show: a number, except "00" for a game
// folder other than Counter-Strike's, with 48 read as the 1.6 protocol 47.
#include "AnswerRecord.h"
#include "FavoritesFile.h"
#include "FuzzCheck.h"
#include "QueryProtocol.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <optional>
#include <string>
#include <vector>

namespace {

// Keys a server sends, weighted towards the ones the row is built from.
const char* const Keys[] = {"address", "protocol", "password", "map",  "players",
                            "max",     "hostname", "gamedir",  "type", "address"};
const char* const Folders[] = {"cstrike", "CStrike", "valve", ""};

// Mostly answers shaped as servers send them, with every value free bytes.
ServerInfoStructure MakeInfo(FuzzedDataProvider& in) {
    ServerInfoStructure info;
    for (int i = 0; i < InfoPairCount && in.remaining_bytes() > 0; ++i) {
        info.Keys[i] = in.ConsumeBool() ? Keys[in.ConsumeIntegralInRange<size_t>(0, 9)]
                                        : in.ConsumeRandomLengthString(12);
        info.Values[i] = info.Keys[i] == "gamedir" && in.ConsumeBool()
                             ? Folders[in.ConsumeIntegralInRange<size_t>(0, 3)]
                             : in.ConsumeRandomLengthString(40);
    }
    return info;
}

bool IsIntegerText(const std::string& text) {
    const auto number = ParseInt32(text);
    return number && std::to_string(*number) == text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    ServerInfoStructure info;
    if (in.ConsumeBool()) {
        info = MakeInfo(in);
    } else {
        // The same through the parser, from a datagram.
        std::vector<uint8_t> datagram = in.ConsumeRemainingBytes<uint8_t>();
        MarkInfoHeader(datagram);
        if (!ParseInfoAnswer(datagram, info))
            return 0;
    }

    bool usable = true;
    const std::string* address = nullptr;
    std::optional<int32_t> protocolNumber;
    std::string password, hostname, map, players, max, folder;
    for (int i = 0; i < InfoPairCount; ++i) {
        const std::string& key = info.Keys[i];
        const std::string& value = info.Values[i];
        if (key == "address") {
            usable = usable && !value.empty();
            address = &value;
        } else if (key == "protocol" || key == "password") {
            const auto number = ParseInt32(value);
            usable = usable && number.has_value();
            if (number && key == "protocol")
                protocolNumber = *number;
            else if (number)
                password = std::to_string(*number);
        } else if (key == "gamedir") {
            folder = value;
        } else if (key == "hostname") {
            hostname = value;
        } else if (key == "map") {
            map = value;
        } else if (key == "players") {
            players = value;
        } else if (key == "max") {
            max = value;
        }
    }
    std::optional<ServerKey> canonical;
    if (usable && address && address->find(':') != std::string::npos) {
        const size_t colon = address->find(':');
        canonical = CanonicalAddress(std::string_view(*address).substr(0, colon),
                                     std::string_view(*address).substr(colon + 1));
    }

    const auto row = BuildAnswerRecord(info);
    FUZZ_CHECK(row.has_value() == canonical.has_value());
    if (!row)
        return 0;
    FUZZ_CHECK(ValidateAddressPort(row->IP, row->Port));
    FUZZ_CHECK(row->IP == canonical->IP && row->Port == canonical->Port);
    // Canonical means a fixed point: no leading zeros, no sign, nothing after the port.
    const auto again = CanonicalAddress(row->IP, row->Port);
    FUZZ_CHECK(again && again->IP == row->IP && again->Port == row->Port);
    FUZZ_CHECK(row->IP.size() <= 15 && row->Port.size() <= 5);
    FUZZ_CHECK(row->Protocol.empty() || row->Protocol == "00" || IsIntegerText(row->Protocol));
    FUZZ_CHECK(row->Password.empty() || IsIntegerText(row->Password));
    std::string protocol;
    if (protocolNumber) {
        std::string lower = folder;
        for (char& c : lower)
            c = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
        const bool counterStrike = lower.empty() || lower == "cstrike";
        protocol = !counterStrike          ? "00"
                   : *protocolNumber == 48 ? "47"
                                           : std::to_string(*protocolNumber);
    }
    FUZZ_CHECK(row->Protocol == protocol && row->Password == password);
    FUZZ_CHECK(row->Name == hostname && row->Map == map && row->Players == players &&
               row->MaxPlayers == max);
    FUZZ_CHECK(row->Alive && row->Answered && row->Response.empty() && row->SentAt == 0);
    return 0;
}
