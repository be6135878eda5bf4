#pragma once

#include "QueryProtocol.h"
#include "ServerList.h"

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

class TNMUDP;

// "搜索结果 : " followed by the count, GBK: the caption of Panel_Server.
std::string SearchResultsCaption(size_t count);

// What the intake needs of the window's state at the moment an answer is taken.
struct IntakeOptions {
    int SortColumn = 0;        // ServerSortColumn
    bool SortAscending = true; // ServerSortAscending
    std::string Filter1 = "1"; // Result/Filter1: "0" drops CS 1.5 answers (protocol 46)
    std::string Filter2 = "1"; // Result/Filter2: "0" drops CS 1.6 answers (protocol 47)
};

// Takes the info answers of NMUDP1 (scan and manual add) into SearchResults and adds
// servers by hand. Runs on the UI thread only.
//
// Rows of the same server are found through an index on (IP, Port). Whoever else adds,
// removes or replaces rows of SearchResults, or changes a row's IP or Port in place, must
// call InvalidateIndex() afterwards; a change of the list's size is also noticed by itself.
// Reordering (sorting) keeps the index valid, because rows stay where they are in memory.
class ServerIntake {
public:
    enum class Outcome {
        NotInfo,  // not an info answer, or a failed receive
        Dropped,  // empty address, or a protocol/password value that is not an integer
        Filtered, // its version is switched off; only the count was shown again
        Merged,   // updated every row of the same server
        Inserted  // a new row at its sorted place
    };

    explicit ServerIntake(ServerList& searchResults);

    // Current sort state and version filters; defaults when unset.
    std::function<IntakeOptions()> Options;
    // The list changed size or content: set the view's row count to `count`, repaint it
    // and set the caption (given, GBK).
    std::function<void(size_t count, const std::string& caption)> CountChanged;
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
    // pending row into every row of the same server (their Response is cleared) or
    // inserts it, shows the count, sends the info request and updates the histories.
    // False when a text was refused (the message has been reported).
    bool suiButton_AddServerClick(std::string& addressText, std::string& portText);

    // Items of ComboBox_QuickServerIP and ComboBox_QuickServerPort, newest first.
    const std::vector<std::string>& AddressHistory() const { return AddressItems; }
    const std::vector<std::string>& PortHistory() const { return PortItems; }

    // The row just merged or inserted by the latest Merged/Inserted outcome (the first
    // of several merged rows); null otherwise. Valid until the list changes.
    ServerStructure* LastRow() const { return Last; }

    // Forget the index; it is rebuilt on the next lookup.
    void InvalidateIndex();
    // Number of index rebuilds so far (for tests and measurements).
    size_t IndexBuilds() const { return Builds; }

private:
    using RowSet = std::vector<ServerStructure*>;
    static std::string Key(const std::string& ip, const std::string& port);
    // The rows of one server; rebuilds the index first when it is stale.
    RowSet& RowsOf(const ServerStructure& row);
    void EnsureIndex();
    void ShowCount();
    IntakeOptions CurrentOptions() const;
    void Remember(std::vector<std::string>& items, const std::string& text);

    ServerList& SearchResults;
    std::unordered_map<std::string, RowSet> Index;
    bool IndexValid = false;
    size_t IndexedSize = 0;
    size_t Builds = 0;
    ServerStructure* Last = nullptr;
    std::vector<uint8_t> ReceiveBuffer;
    std::vector<std::string> AddressItems;
    std::vector<std::string> PortItems{"27015", "27014", "27016"};
};
