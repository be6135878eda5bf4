#pragma once

#include "ProcessLauncher.h"
#include "ProcessList.h"
#include "ServerStructure.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The settings a join reads, as the settings record holds them.
struct LaunchSettings {
    std::string PathCS15, PathCS16;       // ModulePath/PathCS1.5, PathCS1.6
    std::string Parameter15, Parameter16; // ModulePath/Parameter1.5, Parameter1.6
    std::string PathCD, PathOther;        // ModulePath/PathCD, PathOther
    std::string RunCD, RunOther;          // RunSettings: "1" starts the tool
    std::string PauseSearching = "0";     // RunSettings/PauseSearching
    std::string StopRefreshing = "0";     // RunSettings/StopRefreshing
    std::string Minimize = "0";           // RunSettings/Minimize
};

// The game's parameter text: the version's parameters, " +connect ", IP, ":", Port and,
// for a non-empty password, " +password " and the password. Nothing is quoted.
std::string GameParameters(const std::string& parameters, const ServerStructure& row,
                           const std::string& password);

// The folder of a program: its path without the file name and without a trailing
// separator; the working directory a program is started in. The same for GBK and
// system paths: '/' is never part of a GBK character.
std::string ProgramFolder(const std::string& path);

// The file name of a path, without its folder.
std::string ProgramFileName(const std::string& path);

// True when a password can go on the command line as one argument: no blank and no
// control character.
bool PasswordFitsCommandLine(const std::string& password);

// How a launch ended.
enum class LaunchResult {
    Started,
    ExecutableMissing, // entry 13, options dialog opened
    Refused,           // the row's address or the password cannot go on a command line,
                       // or the server runs another game than Counter-Strike
    Failed,            // entry 14
};

// Joining a server: the checks of the join action, the password prompt, the
// preparations and the start of the game and the side tools. Runs on the UI thread; every
// dialog and every effect on other subsystems goes out through the std::function members,
// so nothing here touches a widget.
class LaunchController {
public:
    LaunchController(ProcessLauncher& launcher, const RunningProcesses& processes);

    // The join button: entry 17 without a row, otherwise JoinSelectedServer.
    void BitBtn_JoinClick(const std::optional<ServerStructure>& selected);
    // Joins the selected row (none: nothing): down (15), another game, full (16), password
    // prompt, launch.
    void JoinSelectedServer(const std::optional<ServerStructure>& selected);
    // Starts the game of the row's version with its command line, in the system's encoding;
    // a CS 1.6 path of Steam starts the game through Steam. A game that cannot be started
    // changes nothing: the checks come before PrepareLaunch.
    LaunchResult LaunchGame(const ServerStructure& row, const std::string& password);
    // The steps right before the game starts: side tools, auto-join off, tray icon,
    // scan pause, refresh stop, tray.
    void PrepareLaunch();
    // True when no running process has this executable file name (the system's encoding).
    bool ProcessNotRunning(const std::string& name) const;

    std::function<LaunchSettings()> Settings;
    // The password dialog: the typed text, or nothing when it was cancelled.
    std::function<std::optional<std::string>()> AskPassword;
    // A MessageTable message with a caption index.
    std::function<void(int message, int caption)> ShowMessage;
    // A message of this subsystem's own (GBK) with a caption index.
    std::function<void(const std::string& text, int caption)> ShowText;
    std::function<void()> OpenOptions;
    std::function<void()> StopAutoJoin;
    std::function<bool()> AutoJoinRunning;
    std::function<void()> StopIconBlink;   // Timer_IconChange off, tray image 0
    std::function<bool()> ScanRunning;     // searching and not paused
    std::function<void()> PauseScan;       // as Button_Begin's pause
    std::function<bool()> AutoRefreshOn;   // continuous refresh running
    std::function<void()> StopAutoRefresh; // as releasing ToolButton_Auto
    std::function<void()> MinimizeToTray;
    // Looks a program up on PATH (the Steam client, the desktop's opener); FindOnPath when
    // not set.
    std::function<std::string(std::string_view)> FindProgram;

    // The message shown for a password that cannot go on the command line (GBK).
    static const std::string& PasswordRefusedText();
    // The message shown for a server of another game, named by its folder (GBK): it is
    // never started with a Counter-Strike game.
    static std::string OtherGameText(const std::string& folder);

private:
    void StartSideTool(const std::string& run, const std::string& path);
    template <typename F, typename... A> static void Call(const F& f, A&&... args) {
        if (f)
            f(std::forward<A>(args)...);
    }

    ProcessLauncher& Launcher;
    const RunningProcesses& Processes;
};
