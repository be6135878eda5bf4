#pragma once

#include "A2sChallengeState.h"
#include "BrowserModel.h"
#include "QueryProtocol.h"

#include <QObject>
#include <QTimer>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

class TNMUDP;

// What a pass reads of the settings, at the moment it needs them.
struct RefreshOptions {
    std::string FavoriteFilter1 = "1"; // Favorite/Filter1: CS 1.5 favorites are refreshed
    std::string FavoriteFilter2 = "1"; // Favorite/Filter2: CS 1.6 favorites are refreshed
    std::string ResultFilter1 = "1";   // Result/Filter1: "0" keeps CS 1.5 answers out
    std::string ResultFilter2 = "1";   // Result/Filter2: "0" keeps CS 1.6 answers out
    std::string Interval = "1";        // AutoActions/Interval: the pause after a pass, in ms
};

// The bar's step per row of a pass over `rows` rows: ProgressMax divided by the count,
// truncated (0 above ProgressMax rows, ProgressMax for none).
uint32_t RefreshProgressStep(uint64_t rows);

// The timer period of continuous mode from the options' interval text in seconds (a
// decimal number), truncated to whole milliseconds; at least 1 ms, and 1000 ms for a
// text that is not a positive number.
int ContinuousPeriodMs(const std::string& secondsText);

// The pause after a pass from AutoActions/Interval, read as whole milliseconds; 0 for a
// text that is not a non-negative integer.
int FinalPauseMs(const std::string& intervalText);

// The list refresh: passes that re-query every row of SearchResults and the shown
// favorites through NMUDP2, the continuous mode behind ToolButton_Auto and
// Timer_RefreshServer, and the intake of NMUDP2's answers into both lists. Runs on the UI
// thread: a pass is a 5 ms pacing timer that queries one row per tick from a snapshot of
// identities taken at its start, so a row deleted or moved meanwhile is found again by
// its address or skipped, and no row is ever reached from another thread. A row is asked
// in the dialect it answered in, and in both while that is not known; a binary server's
// challenge is answered within the pass, the request sent again taking a pacing tick of
// its own. Every view update goes out through the std::function members; nothing here
// touches a widget.
class RefreshController : public QObject {
    Q_OBJECT
public:
    static constexpr uint32_t ProgressMax = 10000;
    static constexpr int PaceMs = 5;

    explicit RefreshController(BrowserModel& model, QObject* parent = nullptr);
    // Ends every pass at once; nothing is sent or written afterwards.
    ~RefreshController() override;

    // Starts one pass and returns at once; the first row is queried right away, the
    // others one per PaceMs. A pass already running goes on beside it.
    void StartRefresh();
    void Button_RefreshListClick() { StartRefresh(); }
    // Starts a pass unless one (or its final pause) is still running.
    void Timer_RefreshServerTimer();
    // A details tab became active: a pass (ending in a details query) when a server is
    // picked and continuous mode is off.
    void PageControl_InfoTabActive();
    // Continuous mode on or off as ToolButton_Auto is now pressed or released.
    void ToolButton_AutoClick(bool pressed);
    // The stop request: no running pass queries another row; each still ends normally.
    void RequestStop();
    // The window closes: every pass ends now, without its end steps or final pause.
    void StopAll();

    // Challenge rounds of a row are kept this long from its query: a challenge coming
    // later answers no query of ours.
    static constexpr uint32_t ChallengeMemoryMs = 5000;
    // Servers whose challenge rounds are kept at once; beyond, the expired ones go first.
    static constexpr size_t MaxChallengedServers = 8192;

    // NMUDP2DataReceived: reads the datagram being reported and takes it, with its sender.
    void NMUDP2DataReceived(TNMUDP& sender, int numberBytes, const std::string& fromIP, int port);
    // The same for a datagram already at hand (a text answer's header byte is marked on a
    // copy). A binary answer updates the rows of its sender, fromIP:fromPort; a challenge
    // from a server a pass asked in the binary dialect sends the request again with it, at
    // most A2sChallengeState::MaxChallengeRounds times per query. Without a sender only
    // text answers are taken.
    void TakeDatagram(std::span<const uint8_t> datagram, const std::string& fromIP = {},
                      int fromPort = 0);
    // One info answer into every waiting row of its server in SearchResults, unless its
    // version is filtered out.
    void ApplyInfoToSearchResults(const ServerInfoStructure& info);
    // One info answer into the first waiting favorite of its server.
    void ApplyInfoToFavorites(const ServerInfoStructure& info);

    bool Refreshing() const { return Model.Refreshing; }
    bool AutoRefreshOn() const { return Model.AutoRefreshOn; }
    bool AutoPressed() const { return Pressed; }
    uint32_t ProgressPosition() const { return Position; }
    // Passes alive, in their queries or their final pause.
    size_t RunningPasses() const { return Passes.size(); }
    // Challenge resends waiting for their pacing tick.
    size_t PendingResends() const { return Resends.size(); }

    // Settings; the defaults of RefreshOptions when unset.
    std::function<RefreshOptions()> Options;
    // Sends one datagram through NMUDP2.
    std::function<void(const std::string& host, int port, std::span<const uint8_t> bytes)> Send;
    // View callbacks, all called on the UI thread.
    std::function<void(uint32_t position)> ProgressChanged; // ProgressBar_RefreshList
    std::function<void(bool enabled)> RefreshEnabled;       // ToolButton_RefreshList
    std::function<void(bool enabled)> DeleteEnabled;        // ToolButton_DeleteServer
    std::function<void(bool enabled)> IntervalEditable;     // Edit_AutoInterval and its up-down
    std::function<std::string()> AutoIntervalText;          // Edit_AutoInterval, seconds
    std::function<void(int periodMs)> StartTimer;           // Timer_RefreshServer on
    std::function<void()> StopTimer;                        // Timer_RefreshServer off
    std::function<bool()> FavoritesVisible;                 // GroupBox_Favorite; shown when unset
    std::function<bool()> DetailsVisible;                   // Panel_ServerInfo; shown when unset
    // Shows the search results' count in their caption again: after every answer taken
    // into them (matched or not) and at the end of every pass.
    std::function<void()> ResultsCounted;
    // Queries the details of "IP:Port" again at the end of a pass.
    std::function<void(const std::string& address)> QueryDetails;

private:
    // One row to query: its list, its identity and which of the rows of that server in
    // its list it is (duplicates each take their own answer in Favorites).
    struct Target {
        bool Favorite = false;
        ServerKey Key;
        size_t Occurrence = 0;
    };
    struct Pass {
        uint64_t Id = 0;
        std::vector<Target> Targets; // SearchResults first, then the favorites
        size_t SearchCount = 0;
        size_t Next = 0;
        uint32_t Step = 0;
        bool Stopped = false;
        bool Querying = true; // false once in the end steps and final pause
    };

    struct Challenged {
        A2sChallengeState State;
        uint32_t QueriedAt = 0;
    };
    struct Resend {
        std::string Host;
        int Port = 0;
        Bytes Request;
    };

    RefreshOptions CurrentOptions() const;
    // The row's info request(s) by its dialect; the binary one starts its challenge rounds.
    void SendInfoRequests(const std::string& ip, int port, QueryDialect dialect, uint32_t now);
    void SendNow(const std::string& host, int port, std::span<const uint8_t> bytes);
    void TakeChallenge(const A2sChallenge& challenge, const std::string& fromIP, int fromPort);
    void TakeBinaryInfo(const A2sInfo& info, const std::string& fromIP, int fromPort);
    // One answer into the waiting rows of its server in both lists, the search results'
    // version filters applied.
    void ApplyToSearchResults(const ServerStructure& answer);
    void ApplyAnswer(const ServerStructure& answer);
    std::vector<Target> ChosenFavorites(const RefreshOptions& options) const;
    // Queries the pass's next row that still exists; false when the pass has no more.
    bool StepPass(Pass& pass);
    // Blanks, latches and stamps the row, then sends its request; false when it is gone.
    bool QueryRow(const Target& target);
    void OnPaceTick();
    // Details query, full bar, buttons back, then the final pause.
    void EndQueries(Pass& pass);
    void FinishPass(uint64_t id);
    void SetPosition(uint32_t position);
    void AddProgress(uint32_t step);
    bool AnyQuerying() const;

    BrowserModel& Model;
    std::vector<std::unique_ptr<Pass>> Passes;
    uint64_t NextId = 1;
    QTimer Pacer;
    uint32_t Position = 0;
    bool Pressed = false; // ToolButton_Auto as last reported
    std::vector<uint8_t> ReceiveBuffer;
    std::unordered_map<std::string, Challenged> Challenges; // by "ip:port"
    std::deque<Resend> Resends;
};
