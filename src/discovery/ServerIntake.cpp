#include "ServerIntake.h"

#include "AddressCheck.h"
#include "AnswerRecord.h"
#include "Gbk.h"
#include "MessageTable.h"
#include "TNMUDP.h"

#include <algorithm>
#include <exception>

std::string SearchResultsCaption(size_t count) {
    static const std::string prefix = G("搜索结果 : ");
    return prefix + std::to_string(count);
}

ServerIntake::ServerIntake(BrowserModel& model)
    : Model(model), ReceiveBuffer(TNMUDP::MaxDatagram) {}

IntakeOptions ServerIntake::CurrentOptions() const {
    return Options ? Options() : IntakeOptions{};
}

ServerIntake::Outcome ServerIntake::NMUDP1DataReceived(TNMUDP& sender, int numberBytes,
                                                       const std::string&, int) {
    if (numberBytes == -1)
        return Outcome::NotInfo;
    const int n = sender.ReadDatagram(std::span<uint8_t>(ReceiveBuffer));
    if (n <= 0)
        return Outcome::NotInfo;
    const std::span<uint8_t> datagram(ReceiveBuffer.data(), static_cast<size_t>(n));
    MarkInfoHeader(datagram);
    ServerInfoStructure info;
    if (!ParseInfoAnswer(datagram, info))
        return Outcome::NotInfo;
    return AddScannedServer(info);
}

ServerIntake::Outcome ServerIntake::TakeDatagram(std::span<const uint8_t> datagram) {
    const size_t n = std::min(datagram.size(), ReceiveBuffer.size());
    std::copy_n(datagram.begin(), n, ReceiveBuffer.begin());
    const std::span<uint8_t> copy(ReceiveBuffer.data(), n);
    MarkInfoHeader(copy);
    ServerInfoStructure info;
    if (!ParseInfoAnswer(copy, info))
        return Outcome::NotInfo;
    return AddScannedServer(info);
}

ServerIntake::Outcome ServerIntake::AddScannedServer(const ServerInfoStructure& info) {
    Last.reset();
    std::optional<ServerStructure> answer = BuildAnswerRecord(info);
    if (!answer)
        return Outcome::Dropped;

    const IntakeOptions options = CurrentOptions();
    if ((options.Filter1 == "0" && answer->Protocol == "46") ||
        (options.Filter2 == "0" && answer->Protocol == "47"))
        return Outcome::Filtered;

    ServerRows& rows = Model.SearchResults;
    const size_t merged = rows.UpdateServer(answer->IP, answer->Port, [&](ServerStructure& r) {
        // Response and SentAt belong to the row's own query.
        r.Name = answer->Name;
        r.Map = answer->Map;
        r.Players = answer->Players;
        r.MaxPlayers = answer->MaxPlayers;
        r.Protocol = answer->Protocol;
        r.Password = answer->Password;
        r.Alive = answer->Alive;
        r.Answered = answer->Answered;
    });
    if (merged > 0) {
        Last = rows.FindFirst(answer->IP, answer->Port);
        return Outcome::Merged;
    }
    Last = rows.InsertSorted(std::move(*answer), Model.ServerSortColumn, Model.ServerSortAscending);
    return Outcome::Inserted;
}

void ServerIntake::Remember(std::vector<std::string>& items, const std::string& text) {
    if (std::find(items.begin(), items.end(), text) == items.end())
        items.insert(items.begin(), text);
}

bool ServerIntake::suiButton_AddServerClick(std::string& addressText, std::string& portText) {
    Last.reset();
    addressText = Trim(addressText);
    portText = Trim(portText);
    AddressPort parsed{};
    const AddressCheck check = ParseAddressPort(addressText, portText, parsed);
    if (check != AddressCheck::Ok) {
        if (ShowMessage)
            ShowMessage(check == AddressCheck::BadPort ? MsgInvalidPort : MsgInvalidAddress,
                        MsgNotice);
        return false;
    }
    // The row holds the canonical texts, so the server's answer, which names itself that
    // way, merges into it.
    ServerStructure pending;
    pending.IP = AddressText(AddressNumber(parsed));
    pending.Port = std::to_string(parsed[4]);
    pending.Protocol = "00";
    pending.Alive = false;
    pending.Answered = true;

    ServerRows& rows = Model.SearchResults;
    const size_t merged = rows.UpdateServer(pending.IP, pending.Port, [&](ServerStructure& r) {
        r.Name.clear();
        r.Map.clear();
        r.Players.clear();
        r.MaxPlayers.clear();
        r.Protocol = pending.Protocol;
        r.Password.clear();
        r.Alive = false;
        r.Answered = true;
        // The old time belongs to an earlier query; the row waits for a new answer.
        r.Response.clear();
    });
    const std::string host = pending.IP;
    if (merged > 0)
        Last = rows.FindFirst(pending.IP, pending.Port);
    else
        Last = rows.InsertSorted(std::move(pending), Model.ServerSortColumn,
                                 Model.ServerSortAscending);

    if (Send) {
        try {
            // The canonical dotted text: a typed "+1.2.3.4" or "010.0.0.1" still reaches
            // the address that was checked.
            Send(host, parsed[4], InfoRequest());
        } catch (const std::exception&) {
            // Lost like any datagram that cannot leave; the row stays pending.
        }
    }
    Remember(AddressItems, addressText);
    Remember(PortItems, portText);
    return true;
}
