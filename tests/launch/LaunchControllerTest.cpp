#include "LaunchController.h"

#include "A2sProtocol.h"
#include "AnswerRecord.h"

#include "FakeLauncher.h"
#include "FakeServer.h"
#include "Gbk.h"
#include "MessageTable.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

void PrintTo(const FakeLauncher::Started& s, std::ostream* os) {
    *os << "{" << s.File << " [" << s.Parameters << "] in " << s.WorkingDirectory << "}";
}

namespace {

ServerStructure Row(const std::string& protocol, const std::string& password = "0") {
    ServerStructure row;
    row.Name = "Target";
    row.IP = "127.60.0.1";
    row.Port = "27015";
    row.Map = "de_dust2";
    row.Players = "3";
    row.MaxPlayers = "16";
    row.Protocol = protocol;
    row.Password = password;
    row.Alive = true;
    row.Answered = true;
    return row;
}

// Two game folders with an hl.exe each, the controller over a recording launcher, and
// every effect on the rest of the program written to one log in call order.
class Join : public ::testing::Test {
protected:
    Join() : Controller(Launcher, Processes) {
        for (const char* folder : {"cs15", "cs16", "cd", "tool"})
            std::filesystem::create_directory(Dir.File(folder));
        Dir.Write("cs15/hl.exe", "");
        Dir.Write("cs16/hl.exe", "");
        Settings.PathCS15 = Dir.File("cs15/hl.exe");
        Settings.PathCS16 = Dir.File("cs16/hl.exe");
        Settings.Parameter15 = "-console -game cstrike";
        Settings.Parameter16 = "-game cstrike";
        Controller.Settings = [this] { return Settings; };
        Controller.AskPassword = [this] {
            Log.push_back("password prompt");
            return Password;
        };
        Controller.ShowMessage = [this](int message, int caption) {
            Log.push_back("message " + std::to_string(message) + "/" + std::to_string(caption));
        };
        Controller.ShowText = [this](const std::string& text, int caption) {
            Log.push_back(
                (text == LaunchController::PasswordRefusedText() ? "password refused/" : "text/") +
                std::to_string(caption));
        };
        Controller.OpenOptions = [this] { Log.push_back("options"); };
        Controller.StopAutoJoin = [this] { Log.push_back("stop auto-join"); };
        Controller.AutoJoinRunning = [this] { return AutoJoinRunning; };
        Controller.StopIconBlink = [this] { Log.push_back("icon still"); };
        Controller.ScanRunning = [this] { return ScanRunning; };
        Controller.PauseScan = [this] { Log.push_back("pause scan"); };
        Controller.AutoRefreshOn = [this] { return AutoRefreshOn; };
        Controller.StopAutoRefresh = [this] { Log.push_back("stop refresh"); };
        Controller.MinimizeToTray = [this] { Log.push_back("tray"); };
    }
    // The log with the launcher's starts in it, as "start <file>".
    std::vector<std::string> Starts() const {
        std::vector<std::string> files;
        for (const auto& start : Launcher.Starts)
            files.push_back(start.File);
        return files;
    }

    TempDir Dir;
    FakeLauncher Launcher;
    FakeProcesses Processes;
    LaunchController Controller;
    LaunchSettings Settings;
    std::optional<std::string> Password;
    bool AutoJoinRunning = false, ScanRunning = false, AutoRefreshOn = false;
    std::vector<std::string> Log;
};

struct CommandCase {
    const char* Name;
    std::string Protocol;
    std::string Parameter;            // of the row's version
    std::optional<std::string> Typed; // the password prompt's answer; none: open server
    std::string Folder;
    std::string Parameters;
};

void PrintTo(const CommandCase& c, std::ostream* os) {
    *os << c.Name;
}

class CommandLine : public Join, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(CommandLine, GameStartsInItsFolderWithConnectAndPasswordParts) {
    const CommandCase& c = GetParam();
    (c.Protocol == "46" ? Settings.Parameter15 : Settings.Parameter16) = c.Parameter;
    Password = c.Typed;
    Controller.JoinSelectedServer(Row(c.Protocol, c.Typed ? "1" : "0"));
    const std::string file = Dir.File(c.Folder + "/hl.exe");
    ASSERT_EQ(Launcher.Starts.size(), 1u);
    EXPECT_EQ(Launcher.Starts[0], (FakeLauncher::Started{file, c.Parameters, Dir.File(c.Folder)}));
}

INSTANTIATE_TEST_SUITE_P(
    Join, CommandLine,
    ::testing::Values(CommandCase{"Cs16Open", "47", "-game cstrike", std::nullopt, "cs16",
                                  "-game cstrike +connect 127.60.0.1:27015"},
                      CommandCase{"Cs15Open", "46", "-console -game cstrike", std::nullopt, "cs15",
                                  "-console -game cstrike +connect 127.60.0.1:27015"},
                      CommandCase{"Cs16Password", "47", "-game cstrike", "s3cret", "cs16",
                                  "-game cstrike +connect 127.60.0.1:27015 +password s3cret"},
                      CommandCase{"Cs15PasswordLeftEmpty", "46", "-console -game cstrike", "",
                                  "cs15", "-console -game cstrike +connect 127.60.0.1:27015"},
                      CommandCase{"EmptyParameterStartsWithTheBlank", "46", "", std::nullopt,
                                  "cs15", " +connect 127.60.0.1:27015"}),
    [](const auto& info) { return std::string(info.param.Name); });

struct RefusalCase {
    const char* Name;
    std::optional<ServerStructure> Row; // none: nothing selected
    bool Button;                        // the join button rather than a menu item
    std::vector<std::string> Log;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.Name;
}

ServerStructure With(ServerStructure row, void (*edit)(ServerStructure&)) {
    edit(row);
    return row;
}

class Refusal : public Join, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusal, RowThatCannotBeJoinedShowsItsMessageAndStartsNothing) {
    const RefusalCase& c = GetParam();
    if (c.Button)
        Controller.BitBtn_JoinClick(c.Row);
    else
        Controller.JoinSelectedServer(c.Row);
    EXPECT_EQ(Log, c.Log);
    EXPECT_TRUE(Launcher.Starts.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Join, Refusal,
    ::testing::Values(
        RefusalCase{"ButtonWithoutSelection", std::nullopt, true, {"message 17/0"}},
        RefusalCase{"MenuWithoutSelection", std::nullopt, false, {}},
        RefusalCase{"ServerDown",
                    With(Row("47"), [](ServerStructure& r) { r.Alive = false; }),
                    true,
                    {"message 15/0"}},
        RefusalCase{"FullByEqualTexts",
                    With(Row("47"), [](ServerStructure& r) { r.Players = "16"; }),
                    false,
                    {"message 16/0"}},
        RefusalCase{
            "UnknownVersion", Row("00"), false, {"stop auto-join", "message 13/0", "options"}},
        // Address and port come from a server's answer: nothing of them may become an
        // argument of its own.
        RefusalCase{"AddressCarryingArguments",
                    With(Row("47"), [](ServerStructure& r) { r.IP = "127.60.0.1 +exec x.cfg"; }),
                    false,
                    {"stop auto-join", "message 14/1"}},
        RefusalCase{"PortCarryingArguments",
                    With(Row("47"), [](ServerStructure& r) { r.Port = "27015 -dev"; }),
                    false,
                    {"stop auto-join", "message 14/1"}},
        RefusalCase{"AddressEndingInZero",
                    With(Row("47"), [](ServerStructure& r) { r.IP = "127.60.0.0"; }),
                    false,
                    {"stop auto-join", "message 14/1"}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(Join, MoreThanTheLimitIsNotFullAndAMissingFileAsksForThePath) {
    ServerStructure crowded = Row("47");
    crowded.Players = "17";
    Controller.JoinSelectedServer(crowded);
    EXPECT_EQ(Launcher.Starts.size(), 1u);

    Settings.PathCS16 = Dir.File("cs16/gone.exe");
    Controller.JoinSelectedServer(Row("47"));
    Settings.PathCS16 = Dir.File("cs16"); // a folder is no program
    Controller.JoinSelectedServer(Row("47"));
    EXPECT_EQ(Launcher.Starts.size(), 1u);
    EXPECT_EQ(std::count(Log.begin(), Log.end(), "message 13/0"), 2);
}

TEST_F(Join, PasswordPromptCancelledOrUnfitStartsNothing) {
    Password = std::nullopt;
    Controller.JoinSelectedServer(Row("47", "1"));
    AutoJoinRunning = true;
    Controller.JoinSelectedServer(Row("47", "")); // not known: asked as well
    EXPECT_EQ(Log,
              (std::vector<std::string>{"password prompt", "password prompt", "stop auto-join"}));
    for (const std::string unfit : {"two words", "tab\there", "nl\nx", " "}) {
        Log.clear();
        Password = unfit;
        Controller.JoinSelectedServer(Row("47", "1"));
        EXPECT_EQ(Log, (std::vector<std::string>{"password prompt", "stop auto-join",
                                                 "password refused/0"}))
            << unfit;
    }
    EXPECT_TRUE(Launcher.Starts.empty());
}

TEST_F(Join, PreparationRunsInOrderBeforeTheGameAndSkipsRunningTools) {
    Dir.Write("cd/cd.exe", "");
    Dir.Write("tool/Other.exe", "");
    Settings.RunCD = "1";
    Settings.PathCD = Dir.File("cd/cd.exe");
    Settings.RunOther = "1";
    Settings.PathOther = Dir.File("tool/Other.exe");
    Settings.PauseSearching = "1";
    Settings.StopRefreshing = "1";
    Settings.Minimize = "1";
    ScanRunning = true;
    AutoRefreshOn = true;
    Processes.Names = {"CD.EXE"}; // another letter case is another program

    Controller.JoinSelectedServer(Row("47"));
    EXPECT_EQ(Log, (std::vector<std::string>{"stop auto-join", "icon still", "pause scan",
                                             "stop refresh", "tray"}));
    ASSERT_EQ(Launcher.Starts.size(), 3u);
    EXPECT_EQ(Launcher.Starts[0], (FakeLauncher::Started{Settings.PathCD, "", Dir.File("cd")}));
    EXPECT_EQ(Launcher.Starts[1],
              (FakeLauncher::Started{Settings.PathOther, "", Dir.File("tool")}));
    EXPECT_EQ(Launcher.Starts[2].File, Settings.PathCS16);

    // The tool already running under its own name is not started again; a scan that is
    // not running (or paused) is left alone; a tool that does not start stops nothing.
    Log.clear();
    Launcher.Starts.clear();
    Processes.Names = {"cd.exe"};
    ScanRunning = false;
    AutoRefreshOn = false;
    Settings.Minimize = "0";
    Settings.RunOther = "0";
    Controller.JoinSelectedServer(Row("47"));
    EXPECT_EQ(Log, (std::vector<std::string>{"stop auto-join", "icon still"}));
    EXPECT_EQ(Starts(), (std::vector<std::string>{Settings.PathCS16}));
}

TEST_F(Join, GameThatDoesNotStartShowsTheRunError) {
    Launcher.Succeeds = false;
    EXPECT_EQ(Controller.LaunchGame(Row("46"), ""), LaunchResult::Failed);
    EXPECT_EQ(Log.back(), "message 14/1");
}

// A game that cannot be started is found out before the scan, the refresh or the window
// are touched, and before any side tool starts.
TEST_F(Join, GameThatCannotStartChangesNothing) {
    Dir.Write("cd/cd.exe", "");
    Settings.RunCD = "1";
    Settings.PathCD = Dir.File("cd/cd.exe");
    Settings.PauseSearching = "1";
    Settings.StopRefreshing = "1";
    Settings.Minimize = "1";
    ScanRunning = true;
    AutoRefreshOn = true;
    Launcher.Startable = false;
    EXPECT_EQ(Controller.LaunchGame(Row("47"), ""), LaunchResult::Failed);
    EXPECT_EQ(Log, (std::vector<std::string>{"stop auto-join", "message 14/1"}));
    EXPECT_TRUE(Launcher.Starts.empty());
    EXPECT_EQ(Launcher.Checked, std::vector<std::string>{Settings.PathCS16});
}

// The settings hold GBK text; files, folders, parameters and the password reach the
// system in its own encoding, and a running tool is recognised by its system name.
TEST_F(Join, GbkPathsParametersAndPasswordReachTheSystemInItsEncoding) {
    const std::string games = Dir.File("中文 游戏");
    std::filesystem::create_directories(games + "/cs16");
    std::filesystem::create_directories(games + "/作弊");
    Dir.Write("中文 游戏/cs16/hl.exe", "");
    Dir.Write("中文 游戏/作弊/工具.exe", "");
    Settings.PathCS16 = G(games + "/cs16/hl.exe");
    Settings.Parameter16 = G("-game cstrike -名字 玩家");
    Settings.RunCD = "1";
    Settings.PathCD = G(games + "/作弊/工具.exe");
    Password = G("密码一");
    Controller.JoinSelectedServer(Row("47", "1"));
    ASSERT_EQ(Launcher.Starts.size(), 2u) << ::testing::PrintToString(Log);
    EXPECT_EQ(Launcher.Starts[0],
              (FakeLauncher::Started{games + "/作弊/工具.exe", "", games + "/作弊"}));
    EXPECT_EQ(Launcher.Starts[1],
              (FakeLauncher::Started{games + "/cs16/hl.exe",
                                     "-game cstrike -名字 玩家 +connect 127.60.0.1:27015 "
                                     "+password 密码一",
                                     games + "/cs16"}));
    EXPECT_EQ(Launcher.Checked, std::vector<std::string>{games + "/cs16/hl.exe"});

    Launcher.Starts.clear();
    Processes.Names = {"工具.exe"};
    Controller.JoinSelectedServer(Row("47", "1"));
    ASSERT_EQ(Launcher.Starts.size(), 1u);
    EXPECT_EQ(Launcher.Starts[0].File, games + "/cs16/hl.exe");
}

TEST(ProgramPaths, FolderAndFileName) {
    EXPECT_EQ(ProgramFolder("/games/cs16/hl.exe"), "/games/cs16");
    EXPECT_EQ(ProgramFolder("/hl.exe"), "/");
    EXPECT_EQ(ProgramFolder("hl.exe"), "");
    EXPECT_EQ(ProgramFileName("/games/cd/cd.exe"), "cd.exe");
    EXPECT_EQ(ProgramFileName("cd.exe"), "cd.exe");
}

} // namespace

// The row a binary info answer of that server makes, through the readers the lists use.
ServerStructure BinaryRow(int protocol, const std::string& folder) {
    FakeServerConfig config;
    config.Ip = "127.60.0.1";
    config.Name = "Today";
    config.GameDir = folder;
    config.Protocol = protocol;
    const std::string reply = BuildA2sInfoI(config);
    A2sInfo info;
    EXPECT_TRUE(ParseA2sInfo(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(reply.data()), reply.size()),
        info));
    const auto row =
        BuildAnswerRecord(A2sInfoPairs(info, "127.60.0.1", 27015), QueryDialect::Binary);
    EXPECT_TRUE(row);
    return row.value_or(ServerStructure{});
}

// Today's servers report 1.6 as protocol 48: the 1.6 game joins them.
TEST_F(Join, AProtocol48ServerStartsCounterStrike16) {
    const ServerStructure row = BinaryRow(48, "cstrike");
    EXPECT_EQ(row.Protocol, "47");
    Controller.JoinSelectedServer(row);
    ASSERT_EQ(Launcher.Starts.size(), 1u) << ::testing::PrintToString(Log);
    EXPECT_EQ(Launcher.Starts[0].File, Settings.PathCS16);
    EXPECT_EQ(Launcher.Starts[0].Parameters, "-game cstrike +connect 127.60.0.1:27015");
}

// A server of another game is never started with a Counter-Strike game, whatever its
// protocol, by the join or by the auto-join's launch: a notice says why, nothing else runs.
TEST_F(Join, AServerOfAnotherGameIsNeverStarted) {
    for (const int protocol : {46, 47, 48}) {
        SCOPED_TRACE(protocol);
        Log.clear();
        const ServerStructure row = BinaryRow(protocol, "valve");
        Controller.JoinSelectedServer(row);
        EXPECT_EQ(Log, std::vector<std::string>{"text/" + std::to_string(MsgNotice)});
        Log.clear();
        EXPECT_EQ(Controller.LaunchGame(row, ""), LaunchResult::Refused);
        EXPECT_EQ(
            Log, (std::vector<std::string>{"stop auto-join", "text/" + std::to_string(MsgNotice)}));
        ServerStructure text = row;
        text.Dialect = QueryDialect::Text;
        text.Password = "1";
        Log.clear();
        Controller.JoinSelectedServer(text); // no password prompt for a server it cannot join
        EXPECT_EQ(Log, std::vector<std::string>{"text/" + std::to_string(MsgNotice)});
    }
    EXPECT_TRUE(Launcher.Starts.empty());
    EXPECT_TRUE(Launcher.Checked.empty());
    EXPECT_EQ(LaunchController::OtherGameText("valve"),
              G(" 该服务器运行的游戏不是 Counter-Strike ( valve ) , 无法加入 ! "));
}
