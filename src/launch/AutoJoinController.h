#pragma once

#include "A2sChallengeState.h"
#include "BrowserModel.h"
#include "QueryProtocol.h"
#include "ServerStructure.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

// The server auto-join waits for, as its three edits show it.
struct AutoJoinTarget {
    std::string Name, IP, Port;
    bool operator==(const AutoJoinTarget&) const = default;
};

// What the auto-join reads of the settings, when a reply comes.
struct AutoJoinOptions {
    std::string Margin = "0";  // AutoActions/Margin: free slots wanted beyond one
    std::string Confirm = "1"; // AutoActions/Confirm: "1" asks before joining
};

enum class AutoJoinState { Off, Waiting, Prompting };

// The row an info reply describes, with its texts as received (the protocol as its version
// tag, so today's 48 is a 1.6 server, with the game folder); nothing when the datagram is
// not an info reply or names no address. A binary reply ('I' or 'm') names no address:
// its row is the sender, fromIP:fromPort, and without one it gives nothing.
std::optional<ServerStructure> AutoJoinReplyRow(std::span<const uint8_t> datagram,
                                                const std::string& fromIP = {}, int fromPort = 0);

// True when the reply's players are at most the limit minus the margin and below the
// limit itself; nothing when one of the three is not a whole number, so the room cannot
// be judged.
std::optional<bool> HasRoom(const std::string& players, const std::string& maxPlayers,
                            const std::string& margin);

// Auto-join: once a second an info request to the target through NMUDP3 (in the dialect
// its row answered in, in both while that is not known; a binary server's challenge is
// answered, at most MaxChallengeRounds times a tick), each reply from the target judged
// against its limit minus the margin, and with room the confirmation, the password and
// the join. Runs on the UI thread; every view update and dialog goes out
// through the std::function members, so nothing here touches a widget.
class AutoJoinController {
public:
    static constexpr int IntervalMs = 1000;
    static constexpr int IdleImage = 4, AltImage = 5;

    explicit AutoJoinController(BrowserModel& model);

    // ToolButton_AutoJoin has been pressed (down) or released.
    void ToolButton_AutoJoinClick(bool down);
    // Takes `target` and starts waiting for it.
    void StartAutoJoin(const AutoJoinTarget& target);
    // Timer off, edits in their normal colour, button up with its idle image.
    void StopAutoJoin();
    // Timer_AutoJoin: one request to the target, or the end when there is none.
    void Timer_AutoJoinTimer();
    // A datagram that reached NMUDP3 from fromIP:fromPort.
    void TakeDatagram(std::span<const uint8_t> datagram, const std::string& fromIP, int fromPort);

    AutoJoinState State() const;
    bool Down() const { return IsDown; }
    bool TimerRunning() const { return TimerOn; }
    int ButtonImage() const { return Image; }
    // The check's own query state: DetailInfo from a tick's request until the wait ends,
    // DetailIdle otherwise. Kept apart from the details panel's, whose query it would
    // otherwise disturb.
    int32_t CheckState() const { return Check; }

    std::function<AutoJoinOptions()> Options;
    std::function<AutoJoinTarget()> Target;               // read from the three edits
    std::function<void(const AutoJoinTarget&)> SetTarget; // written into them
    std::function<void(bool red)> SetTargetRed;
    std::function<void(bool down)> SetButtonDown; // must not toggle back here
    std::function<void(int image)> SetButtonImage;
    std::function<void()> StartTimer, StopTimer; // Timer_AutoJoin
    // Sends one datagram through NMUDP3; false when it cannot be sent to that host.
    std::function<bool(const std::string& host, int port, std::span<const uint8_t> bytes)> Send;
    // TForm_MakeSure for the reply's row: true when the join is confirmed.
    std::function<bool(const ServerStructure& row)> Confirm;
    // TForm_Password: the typed text, or nothing when it was cancelled.
    std::function<std::optional<std::string>()> AskPassword;
    std::function<void(const ServerStructure& row, const std::string& password)> LaunchGame;
    std::function<void()> ShowTrayIcon; // after a cancel: the icon visible if hidden

private:
    void SetTimer(bool on);
    void Join(const ServerStructure& row, const AutoJoinOptions& options);
    // The dialect of the target's row in either list; Unknown when it has none.
    QueryDialect TargetDialect(const AutoJoinTarget& target) const;

    BrowserModel& Model;
    bool IsDown = false;
    bool TimerOn = false;
    bool InPrompt = false;
    int Image = IdleImage;
    int32_t Check = DetailIdle;
    // The check's own challenge round trips, apart from those of the details and refresh.
    A2sChallengeState Challenge;
};
