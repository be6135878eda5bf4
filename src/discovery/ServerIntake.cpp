#include "ServerIntake.h"

#include "AddressCheck.h"
#include "AnswerRecord.h"
#include "Clock.h"
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
                                                       const std::string& fromIP, int port) {
    if (numberBytes == -1)
        return Outcome::NotInfo;
    const int n = sender.ReadDatagram(std::span<uint8_t>(ReceiveBuffer));
    if (n <= 0)
        return Outcome::NotInfo;
    return TakeDatagram(std::span<const uint8_t>(ReceiveBuffer.data(), static_cast<size_t>(n)),
                        fromIP, port);
}

ServerIntake::Outcome ServerIntake::TakeDatagram(std::span<const uint8_t> datagram,
                                                 const std::string& fromIP, int fromPort,
                                                 const SendFunction& reply) {
    if (LooksLikeInfoAnswer(datagram)) {
        ServerInfoStructure info;
        if (!ReadInfoAnswer(datagram, info))
            return Outcome::NotInfo;
        return AddScannedServer(info);
    }
    // The binary dialect names no address the row could rely on: without the sender
    // there is no row.
    if (fromIP.empty() || fromPort <= 0 || !WasAsked(fromIP, fromPort))
        return Outcome::NotInfo;
    if (const auto challenge = ParseA2sChallenge(datagram))
        return TakeChallenge(*challenge, fromIP, fromPort, reply);
    A2sInfo binary;
    if (!ParseA2sInfo(datagram, binary))
        return Outcome::NotInfo;
    Challenges.erase(fromIP + ":" + std::to_string(fromPort));
    const Outcome outcome =
        AddScannedServer(A2sInfoPairs(binary, fromIP, fromPort), QueryDialect::Binary);
    if (outcome == Outcome::Inserted || outcome == Outcome::Merged)
        LastBinary = std::move(binary);
    return outcome;
}

bool ServerIntake::WasAsked(const std::string& host, int port) const {
    if (!Asked)
        return true;
    const std::string key = host + ":" + std::to_string(port);
    return Asked(host, port) ||
           std::find(AddedByHand.begin(), AddedByHand.end(), key) != AddedByHand.end();
}

ServerIntake::Outcome ServerIntake::TakeChallenge(const A2sChallenge& challenge,
                                                  const std::string& fromIP, int fromPort,
                                                  const SendFunction& reply) {
    Last.reset();
    const uint32_t now = CurrentClock().TickCount();
    const std::string key = fromIP + ":" + std::to_string(fromPort);
    auto found = Challenges.find(key);
    if (found != Challenges.end() && now - found->second.FirstTick >= ChallengeMemoryMs) {
        Challenges.erase(found);
        found = Challenges.end();
    }
    if (found == Challenges.end()) {
        if (Challenges.size() >= MaxChallengedServers) {
            std::erase_if(Challenges, [&](const auto& entry) {
                return now - entry.second.FirstTick >= ChallengeMemoryMs;
            });
            if (Challenges.size() >= MaxChallengedServers)
                Challenges.clear();
        }
        found = Challenges.emplace(key, Challenged{}).first;
        found->second.FirstTick = now;
        // The bare request already went out with the scan (or the manual add).
        found->second.State.Begin(A2sQuery::Info);
    }
    const std::optional<Bytes> again = found->second.State.OnChallenge(challenge);
    if (!again)
        return Outcome::NotInfo; // a server that asks for ever gets no more than three
    if (const SendFunction& send = reply ? reply : Send) {
        try {
            send(fromIP, fromPort, *again);
        } catch (const std::exception&) {
            // Lost like any datagram that cannot leave.
        }
    }
    return Outcome::Challenged;
}

ServerIntake::Outcome ServerIntake::AddScannedServer(const ServerInfoStructure& info,
                                                     QueryDialect dialect) {
    Last.reset();
    std::optional<ServerStructure> answer = BuildAnswerRecord(info, dialect);
    if (!answer)
        return Outcome::Dropped;

    const IntakeOptions options = CurrentOptions();
    if ((options.Filter1 == "0" && answer->Protocol == "46") ||
        (options.Filter2 == "0" && answer->Protocol == "47"))
        return Outcome::Filtered;

    ServerRows& rows = Model.SearchResults;
    // Response and SentAt belong to the row's own query.
    const size_t merged = rows.UpdateServer(answer->IP, answer->Port,
                                            [&](ServerStructure& r) { MergeAnswer(r, *answer); });
    if (merged > 0) {
        Last = rows.FindFirst(answer->IP, answer->Port);
        return Outcome::Merged;
    }
    Last = rows.InsertSorted(std::move(*answer), Model.ServerSortColumn, Model.ServerSortAscending);
    return Outcome::Inserted;
}

void ServerIntake::SendBoth(const std::string& host, int port) {
    if (!Send)
        return;
    for (const Bytes* request : {&InfoRequest(), &A2sInfoRequest()}) {
        try {
            Send(host, port, *request);
        } catch (const std::exception&) {
            // Lost like any datagram that cannot leave; the row stays pending.
        }
    }
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
        // Asked in both dialects again: whatever answers says what it is.
        r.Dialect = QueryDialect::Unknown;
        r.GameFolder.clear();
        r.Bots.clear();
        r.Version.clear();
        r.Os = 0;
        r.Secure = -1;
        // The old time belongs to an earlier query; the row waits for a new answer.
        r.Response.clear();
    });
    const std::string host = pending.IP;
    if (merged > 0)
        Last = rows.FindFirst(pending.IP, pending.Port);
    else
        Last = rows.InsertSorted(std::move(pending), Model.ServerSortColumn,
                                 Model.ServerSortAscending);

    // The canonical dotted text: a typed "+1.2.3.4" or "010.0.0.1" still reaches the
    // address that was checked. Whichever dialect the server speaks answers.
    const std::string key = host + ":" + std::to_string(parsed[4]);
    std::erase(AddedByHand, key);
    AddedByHand.push_back(key);
    if (AddedByHand.size() > 64)
        AddedByHand.erase(AddedByHand.begin());
    SendBoth(host, parsed[4]);
    Remember(AddressItems, addressText);
    Remember(PortItems, portText);
    return true;
}
