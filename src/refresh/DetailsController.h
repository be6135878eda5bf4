#pragma once

#include "A2sChallengeState.h"
#include "BrowserModel.h"
#include "Clock.h"
#include "QueryProtocol.h"
#include "SplitReassembler.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

class TNMUDP;

// One row of ListView_PlayersInfo: the player's number, name and frag count (GBK).
struct PlayerLine {
    std::string Number, Name, Frags;
    bool operator==(const PlayerLine&) const = default;
};

// One row of ListView_RulesInfo: the rule's name and value (GBK).
struct RuleLine {
    std::string Name, Value;
    bool operator==(const RuleLine&) const = default;
};

// What the details panel shows; every text is GBK.
struct DetailsView {
    // Sets the text of box SSi.
    std::function<void(int box, const std::string& text)> SetBox;
    std::function<void(const std::string& caption)> SetWindowCaption;
    // Replaces the rows of a detail list; an empty list empties it.
    std::function<void(const std::vector<PlayerLine>& players)> FillPlayersList;
    std::function<void(const std::vector<RuleLine>& rules)> FillRulesList;
    // Index of the active page of PageControl_Info: 0 basic, 1 players, 2 rules.
    std::function<int()> ActivePage;
};

// The details of the picked server through NMUDP0: the info request, then the players or
// the rules request by the active page, the boxes and lists filled from the answers, and
// the info answer taken into the server's rows of both lists. Only the picked server's
// datagrams drive the panel, so a late answer of a server picked earlier never shows as
// the current one's: while the info answer is awaited, a datagram from the picked address
// and port, or an info answer from anywhere that names the picked server as its address
// (a multi-homed or NAT'ed server answers from another address or port); after that only
// datagrams from the sender of the info answer taken, which the players and rules
// requests go to. A server of the binary dialect is asked in it (one of unknown dialect
// in both): its info, players and rules queries each take the server's challenge round
// trips (a challenge serves the queries that follow), and its split replies are joined;
// the binary dialect's sender is the server, so only the picked address and port drive
// the panel. UI thread only.
class DetailsController {
public:
    // SS0..SS17, then what the binary dialect tells: SS18 the dialect the server answered
    // in, SS19 bots, SS20 OS, SS21 VAC, SS22 the server's version string.
    static constexpr int BoxCount = 23;
    static constexpr int DialectBox = 18, BotsBox = 19, OsBox = 20, VacBox = 21,
                         ServerVersionBox = 22;
    static constexpr int PlayersPage = 1;

    DetailsController(BrowserModel& model, const Clock& clock = CurrentClock());

    DetailsView View;
    // Sends one datagram through NMUDP0.
    std::function<void(const std::string& host, int port, std::span<const uint8_t> bytes)> Send;
    // Result/Filter1 and Result/Filter2: a "0" keeps CS 1.5 or CS 1.6 answers out of the
    // search results. Both on when unset.
    std::function<std::pair<std::string, std::string>()> ResultFilters;

    // The user picked this row: blanks it, asks the server for its info, makes it the
    // selected server, names it in the window caption and empties the panel.
    void RequestDetails(ServerRows& list, size_t position);
    // Asks the server at "IP:Port" for its details again, keeping what the panel shows
    // until the answers replace it. Nothing for an empty address.
    void QueryDetails(const std::string& address);
    // Empties the eighteen boxes.
    void ClearDetails();
    // No server is picked any more: the plain window caption, no selected address, empty
    // boxes and lists, and a late answer of the server picked before is not shown.
    void ForgetPicked();
    // The receive event of NMUDP0: reads the datagram being reported and takes it.
    void NMUDP0DataReceived(TNMUDP& sender, int numberBytes, const std::string& fromIP, int port);
    // The same for a datagram at hand, sent from fromIP:port.
    void TakeDatagram(std::span<const uint8_t> datagram, const std::string& fromIP, int port);

    // The texts of the boxes as last set (GBK), SSi at index i.
    const std::vector<std::string>& Boxes() const { return BoxTexts; }

private:
    void SendTo(const std::string& host, const std::string& port, const Bytes& request);
    void SetBox(int box, const std::string& text);
    void ShowInfoDetails();
    void ShowRuleDetails();
    void FillPlayersList();
    void FillRulesList();
    void ApplyInfoToRows(const ServerInfoStructure& info,
                         QueryDialect dialect = QueryDialect::Text);
    bool ActivePageIsPlayers() const;
    bool FromAnswering(const std::string& fromIP, int port) const;
    bool NamesPicked(const ServerInfoStructure& info) const;
    void Pick(const std::string& ip, const std::string& port, QueryDialect dialect);
    // The dialect of the picked server's row in either list; Unknown when not found.
    QueryDialect RowDialect(const std::string& ip, const std::string& port) const;
    // The info request(s) by the picked server's dialect, both while it is not known.
    void SendInfoRequests(const std::string& ip, const std::string& port);
    // A binary datagram (challenge, info, players, rules or a split piece); false when it is
    // none of them, so the text readers take it.
    bool TakeBinary(std::span<const uint8_t> bytes, const std::string& fromIP, int port);
    void TakeBinaryInfo(const A2sInfo& info, const std::string& fromIP, int port);
    // The reply of the running binary players or rules query.
    void TakeBinaryDetail(std::span<const uint8_t> reply);
    // Players or rules by the active page, asked in the dialect the info came in.
    void AskPlayersOrRules();
    // The info state: the answer is taken, its values shown, and the next request sent.
    void TakeInfoAnswer(std::span<uint8_t> bytes, const std::string& fromIP, int port);
    void AskNext(const Bytes& request);

    BrowserModel& Model;
    const Clock& Time;
    // The picked server as a datagram's sender names it; none when it cannot be reached.
    std::optional<ServerKey> Picked;
    // Whose datagrams drive the panel: the picked server's address until an info answer
    // naming it comes from another sender, which is then followed.
    std::optional<ServerKey> Answering;
    QueryDialect PickedDialect = QueryDialect::Unknown;
    // The dialect of the info answer taken for the picked server: its players and rules
    // are asked in it.
    QueryDialect InfoDialect = QueryDialect::Unknown;
    A2sChallengeState Challenge;
    SplitReassembler Joiner;
    std::vector<uint8_t> ReceiveBuffer;
    std::vector<std::string> BoxTexts;
};
