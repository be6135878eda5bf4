#pragma once

#include "A2sChallengeState.h"
#include "BrowserModel.h"
#include "QueryProtocol.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

class TNMUDP;

// "搜索结果 : " followed by the count, GBK: the caption of Panel_Server.
std::string SearchResultsCaption(size_t count);

// What the intake needs of the settings at the moment an answer is taken.
struct IntakeOptions {
    std::string Filter1 = "1"; // Result/Filter1: "0" drops CS 1.5 answers (protocol 46)
    std::string Filter2 = "1"; // Result/Filter2: "0" drops CS 1.6 answers (protocol 47)
};

// Takes the info answers of NMUDP1 (scan and manual add), in either dialect, into the
// model's SearchResults
// and adds servers by hand, inserting at the place of the model's ServerSortColumn and
// ServerSortAscending. The list tells its own listeners (the view, the caption) what
// changed. Runs on the UI thread only.
class ServerIntake {
public:
    enum class Outcome {
        NotInfo,   // not an info answer, or a failed receive
        Dropped,   // no usable address, or a protocol/password value that is not an integer
        Filtered,  // its version is switched off
        Merged,    // updated every row of the same server
        Inserted,  // a new row at its sorted place
        Challenged // a binary server asked for a challenge: the request went again with it
    };

    // Challenge rounds are counted per server for this long from its first challenge, so
    // a later scan of the same server gets its own rounds.
    static constexpr uint32_t ChallengeMemoryMs = 5000;
    // Servers whose challenge rounds are remembered at once; beyond, the oldest are
    // forgotten (a server then gets at most a few more rounds).
    static constexpr size_t MaxChallengedServers = 8192;

    explicit ServerIntake(BrowserModel& model);

    // Version filters; both on when unset.
    std::function<IntakeOptions()> Options;
    // A message to show: MessageTable index and caption index.
    std::function<void(int message, int caption)> ShowMessage;
    using SendFunction =
        std::function<void(const std::string& host, int port, std::span<const uint8_t> bytes)>;
    // Sends one datagram through NMUDP1.
    SendFunction Send;
    // Whether host:port was asked by the scan (see SearchController::Covers). A binary
    // answer names no address of its own, so one from a sender nobody asked would make a
    // row of any datagram; such answers and challenges are refused. Servers added by hand
    // count as asked. All senders count as asked while unset.
    std::function<bool(const std::string& host, int port)> Asked;

    // NMUDP1DataReceived: reads the datagram being reported and takes it, with its sender.
    Outcome NMUDP1DataReceived(TNMUDP& sender, int numberBytes, const std::string& fromIP,
                               int port);
    // The same for a datagram already at hand (a text answer's header byte is marked on a
    // copy). A binary answer's row is its sender, fromIP:fromPort; a challenge is answered
    // through `reply` (the socket the challenge came in on) or else Send to that sender, at
    // most MaxChallengeRounds times per query. Without a sender only text answers can be
    // taken.
    Outcome TakeDatagram(std::span<const uint8_t> datagram, const std::string& fromIP = {},
                         int fromPort = 0, const SendFunction& reply = {});
    // AddScannedServer: takes the answer just parsed into info, received in `dialect`.
    Outcome AddScannedServer(const ServerInfoStructure& info,
                             QueryDialect dialect = QueryDialect::Text);

    // suiButton_AddServerClick: trims both texts (written back), checks them, merges a
    // pending row under the canonical address and port into every row of that server
    // (their Response is cleared) or inserts it, sends the info requests of both dialects
    // and updates the histories. False when a text was refused (the message has been reported).
    bool suiButton_AddServerClick(std::string& addressText, std::string& portText);

    // Items of ComboBox_QuickServerIP and ComboBox_QuickServerPort, newest first.
    const std::vector<std::string>& AddressHistory() const { return AddressItems; }
    const std::vector<std::string>& PortHistory() const { return PortItems; }

    // Position in SearchResults of the row just merged or inserted by the latest
    // Merged/Inserted outcome (the first of several merged rows); valid until the list
    // changes.
    std::optional<size_t> LastPosition() const { return Last; }

    // The info answer of a binary server that has just been read: its parsed form, for
    // the details and the command line. Valid after an Inserted/Merged outcome of a
    // binary answer.
    const A2sInfo& LastBinaryInfo() const { return LastBinary; }

private:
    struct Challenged {
        A2sChallengeState State;
        uint32_t FirstTick = 0;
    };
    IntakeOptions CurrentOptions() const;
    bool WasAsked(const std::string& host, int port) const;
    Outcome TakeChallenge(const A2sChallenge& challenge, const std::string& fromIP, int fromPort,
                          const SendFunction& reply);
    void SendBoth(const std::string& host, int port);
    void Remember(std::vector<std::string>& items, const std::string& text);

    BrowserModel& Model;
    std::optional<size_t> Last;
    std::vector<uint8_t> ReceiveBuffer;
    std::unordered_map<std::string, Challenged> Challenges; // by "ip:port"
    A2sInfo LastBinary;
    // The servers added by hand lately, newest last ("ip:port"), at most 64.
    std::vector<std::string> AddedByHand;
    std::vector<std::string> AddressItems;
    std::vector<std::string> PortItems{"27015", "27014", "27016"};
};
