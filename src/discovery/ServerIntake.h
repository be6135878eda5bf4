#pragma once

#include "BrowserModel.h"
#include "QueryProtocol.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

class TNMUDP;

// "搜索结果 : " followed by the count, GBK: the caption of Panel_Server.
std::string SearchResultsCaption(size_t count);

// What the intake needs of the settings at the moment an answer is taken.
struct IntakeOptions {
    std::string Filter1 = "1"; // Result/Filter1: "0" drops CS 1.5 answers (protocol 46)
    std::string Filter2 = "1"; // Result/Filter2: "0" drops CS 1.6 answers (protocol 47)
};

// Takes the info answers of NMUDP1 (scan and manual add) into the model's SearchResults
// and adds servers by hand, inserting at the place of the model's ServerSortColumn and
// ServerSortAscending. The list tells its own listeners (the view, the caption) what
// changed. Runs on the UI thread only.
class ServerIntake {
public:
    enum class Outcome {
        NotInfo,  // not an info answer, or a failed receive
        Dropped,  // no usable address, or a protocol/password value that is not an integer
        Filtered, // its version is switched off
        Merged,   // updated every row of the same server
        Inserted  // a new row at its sorted place
    };

    explicit ServerIntake(BrowserModel& model);

    // Version filters; both on when unset.
    std::function<IntakeOptions()> Options;
    // A message to show: MessageTable index and caption index.
    std::function<void(int message, int caption)> ShowMessage;
    // Sends one datagram through NMUDP1.
    std::function<void(const std::string& host, int port, std::span<const uint8_t> bytes)> Send;

    // NMUDP1DataReceived: reads the datagram being reported and takes it.
    Outcome NMUDP1DataReceived(TNMUDP& sender, int numberBytes, const std::string& fromIP,
                               int port);
    // The same for a datagram already at hand (its header byte is marked on a copy).
    Outcome TakeDatagram(std::span<const uint8_t> datagram);
    // AddScannedServer: takes the answer just parsed into info.
    Outcome AddScannedServer(const ServerInfoStructure& info);

    // suiButton_AddServerClick: trims both texts (written back), checks them, merges a
    // pending row under the canonical address and port into every row of that server
    // (their Response is cleared) or inserts it, sends the info request and updates the
    // histories. False when a text was refused (the message has been reported).
    bool suiButton_AddServerClick(std::string& addressText, std::string& portText);

    // Items of ComboBox_QuickServerIP and ComboBox_QuickServerPort, newest first.
    const std::vector<std::string>& AddressHistory() const { return AddressItems; }
    const std::vector<std::string>& PortHistory() const { return PortItems; }

    // Position in SearchResults of the row just merged or inserted by the latest
    // Merged/Inserted outcome (the first of several merged rows); valid until the list
    // changes.
    std::optional<size_t> LastPosition() const { return Last; }

private:
    IntakeOptions CurrentOptions() const;
    void Remember(std::vector<std::string>& items, const std::string& text);

    BrowserModel& Model;
    std::optional<size_t> Last;
    std::vector<uint8_t> ReceiveBuffer;
    std::vector<std::string> AddressItems;
    std::vector<std::string> PortItems{"27015", "27014", "27016"};
};
