#include "ServerIntake.h"

#include "AddressCheck.h"
#include "Gbk.h"
#include "MessageTable.h"
#include "TNMUDP.h"

#include <algorithm>
#include <exception>

std::string SearchResultsCaption(size_t count) {
    static const std::string prefix = G("搜索结果 : ");
    return prefix + std::to_string(count);
}

ServerIntake::ServerIntake(ServerList& searchResults)
    : SearchResults(searchResults), ReceiveBuffer(TNMUDP::MaxDatagram) {}

IntakeOptions ServerIntake::CurrentOptions() const {
    return Options ? Options() : IntakeOptions{};
}

std::string ServerIntake::Key(const std::string& ip, const std::string& port) {
    // Length-prefixed, so no byte of an address text can make two servers collide.
    return std::to_string(ip.size()) + ':' + ip + port;
}

void ServerIntake::InvalidateIndex() {
    IndexValid = false;
    Last = nullptr;
}

void ServerIntake::EnsureIndex() {
    if (IndexValid && IndexedSize == SearchResults.size())
        return;
    Index.clear();
    Index.reserve(SearchResults.size() * 2);
    for (const auto& row : SearchResults)
        Index[Key(row->IP, row->Port)].push_back(row.get());
    IndexValid = true;
    IndexedSize = SearchResults.size();
    ++Builds;
}

ServerIntake::RowSet& ServerIntake::RowsOf(const ServerStructure& row) {
    EnsureIndex();
    RowSet* rows = &Index[Key(row.IP, row.Port)];
    // A row whose address was edited in place without notice: rebuild once.
    const bool stale = std::any_of(rows->begin(), rows->end(),
                                   [&](const ServerStructure* r) { return !SameServer(*r, row); });
    if (stale) {
        IndexValid = false;
        EnsureIndex();
        rows = &Index[Key(row.IP, row.Port)];
    }
    return *rows;
}

void ServerIntake::ShowCount() {
    if (CountChanged)
        CountChanged(SearchResults.size(), SearchResultsCaption(SearchResults.size()));
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
    Last = nullptr;
    auto row = std::make_unique<ServerStructure>();
    for (int i = 0; i < InfoPairCount; ++i) {
        const std::string& key = info.Keys[i];
        const std::string& value = info.Values[i];
        if (key == "address") {
            if (value.empty())
                return Outcome::Dropped;
            const size_t colon = value.find(':');
            if (colon == std::string::npos) {
                row->Port = value;
                row->IP.clear();
            } else {
                row->Port = value.substr(colon + 1);
                row->IP = value.substr(0, colon);
            }
        } else if (key == "protocol" || key == "password") {
            // A value that is not a number loses the answer quietly: a broken server must
            // not raise an error box in the middle of a scan.
            const auto number = ParseInt32(value);
            if (!number)
                return Outcome::Dropped;
            (key == "protocol" ? row->Protocol : row->Password) = std::to_string(*number);
        } else if (key == "map") {
            row->Map = value;
        } else if (key == "players") {
            row->Players = value;
        } else if (key == "max") {
            row->MaxPlayers = value;
        } else if (key == "hostname") {
            row->Name = value;
        }
    }
    row->Response.clear();
    row->Alive = true;
    row->Answered = true;

    const IntakeOptions options = CurrentOptions();
    if ((options.Filter1 == "0" && row->Protocol == "46") ||
        (options.Filter2 == "0" && row->Protocol == "47")) {
        ShowCount();
        return Outcome::Filtered;
    }

    RowSet& same = RowsOf(*row);
    if (!same.empty()) {
        for (ServerStructure* r : same) {
            r->IP = row->IP;
            r->Port = row->Port;
            r->Name = row->Name;
            r->Map = row->Map;
            r->Players = row->Players;
            r->MaxPlayers = row->MaxPlayers;
            r->Protocol = row->Protocol;
            r->Password = row->Password;
            r->Alive = row->Alive;
            r->Answered = row->Answered;
        }
        Last = same.front();
        ShowCount();
        return Outcome::Merged;
    }
    ServerStructure* raw = row.get();
    InsertSorted(SearchResults, std::move(row), options.SortColumn, options.SortAscending);
    same.push_back(raw);
    ++IndexedSize;
    Last = raw;
    ShowCount();
    return Outcome::Inserted;
}

void ServerIntake::Remember(std::vector<std::string>& items, const std::string& text) {
    if (std::find(items.begin(), items.end(), text) == items.end())
        items.insert(items.begin(), text);
}

bool ServerIntake::suiButton_AddServerClick(std::string& addressText, std::string& portText) {
    Last = nullptr;
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
    auto pending = std::make_unique<ServerStructure>();
    pending->IP = addressText;
    pending->Port = portText;
    pending->Protocol = "00";
    pending->Alive = false;
    pending->Answered = true;

    RowSet& same = RowsOf(*pending);
    if (!same.empty()) {
        for (ServerStructure* r : same) {
            r->Name.clear();
            r->Map.clear();
            r->Players.clear();
            r->MaxPlayers.clear();
            r->Protocol = pending->Protocol;
            r->Password.clear();
            r->Alive = false;
            r->Answered = true;
            // The old time belongs to an earlier query; the row waits for a new answer.
            r->Response.clear();
        }
        Last = same.front();
    } else {
        const IntakeOptions options = CurrentOptions();
        ServerStructure* raw = pending.get();
        InsertSorted(SearchResults, std::move(pending), options.SortColumn, options.SortAscending);
        same.push_back(raw);
        ++IndexedSize;
        Last = raw;
    }
    ShowCount();

    if (Send) {
        try {
            // The canonical dotted text: a typed "+1.2.3.4" or "010.0.0.1" still reaches
            // the address that was checked.
            Send(AddressText(AddressNumber(parsed)), parsed[4], InfoRequest());
        } catch (const std::exception&) {
            // Lost like any datagram that cannot leave; the row stays pending.
        }
    }
    Remember(AddressItems, addressText);
    Remember(PortItems, portText);
    return true;
}
