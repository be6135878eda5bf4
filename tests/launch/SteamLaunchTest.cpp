#include "SteamLaunch.h"

#include "FakeLauncher.h"
#include "Gbk.h"
#include "LaunchController.h"
#include "MessageTable.h"
#include "TempDir.h"
#include "TestRow.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

void PrintTo(const FakeLauncher::Started& s, std::ostream* os);

namespace {

ServerStructure Row(const std::string& protocol, const std::string& password = "0") {
    return TestRow("127.60.0.1")
        .Name("Target")
        .Counts("3", "16")
        .Protocol(protocol)
        .Password(password)
        .Alive();
}

// A temporary file system with a Steam client, a Steam library holding the game and a
// folder of programs on PATH; the join over a recording launcher, its effects in one log.
class SteamJoin : public ::testing::Test {
protected:
    SteamJoin() : Controller(Launcher, Processes) {
        for (const char* folder : {"usr/games", "bin", "lib/steamapps/common/Half-Life/cstrike",
                                   "old/SteamApps/common/Half-Life", "cs"})
            std::filesystem::create_directories(Dir.File(folder));
        for (const char* file :
             {"usr/games/steam", "lib/steamapps/common/Half-Life/hl_linux",
              "old/SteamApps/common/Half-Life/hl_linux", "cs/hl.exe", "usr/games/steam.sh"})
            Dir.Write(file, "");
        Settings.Parameter15 = "-console -game cstrike";
        Settings.Parameter16 = "-game cstrike";
        Controller.Settings = [this] { return Settings; };
        Controller.AskPassword = [this] { return Password; };
        Controller.FindProgram = [this](std::string_view name) {
            const auto found = OnPath.find(std::string(name));
            return found == OnPath.end() ? std::string() : found->second;
        };
        Controller.ShowMessage = [this](int message, int caption) {
            Log.push_back("message " + std::to_string(message) + "/" + std::to_string(caption));
        };
        Controller.ShowText = [this](const std::string&, int caption) {
            Log.push_back("text/" + std::to_string(caption));
        };
        Controller.OpenOptions = [this] { Log.push_back("options"); };
        Controller.StopAutoJoin = [this] { Log.push_back("stop auto-join"); };
        Controller.StopIconBlink = [this] { Log.push_back("icon still"); };
        Controller.ScanRunning = [] { return true; };
        Controller.PauseScan = [this] { Log.push_back("pause scan"); };
        Controller.MinimizeToTray = [this] { Log.push_back("tray"); };
        Settings.PauseSearching = "1";
    }

    TempDir Dir;
    FakeLauncher Launcher;
    FakeProcesses Processes;
    LaunchController Controller;
    LaunchSettings Settings;
    std::optional<std::string> Password;
    std::map<std::string, std::string> OnPath; // program name -> full path
    std::vector<std::string> Log;
};

struct SteamCase {
    const char* Name;
    std::string Path;                        // the CS 1.6 path, inside the test's folder
    std::vector<std::string> PathHas;        // programs on PATH: "steam", "xdg-open"
    std::optional<std::string> Typed;        // the password typed; none: an open server
    std::string Program, Parameters, Folder; // what starts, inside the test's folder
    std::string Protocol = "47";
};

void PrintTo(const SteamCase& c, std::ostream* os) {
    *os << c.Name;
}

class SteamCommandLine : public SteamJoin, public ::testing::WithParamInterface<SteamCase> {};

TEST_P(SteamCommandLine, StartsThroughSteamWhatTheGamePathNames) {
    const SteamCase& c = GetParam();
    for (const std::string& name : c.PathHas)
        OnPath[name] = Dir.File("bin/" + name);
    (c.Protocol == "46" ? Settings.PathCS15 : Settings.PathCS16) = Dir.File(c.Path);
    Password = c.Typed;
    Controller.JoinSelectedServer(Row(c.Protocol, c.Typed ? "1" : "0"));
    ASSERT_EQ(Launcher.Starts.size(), 1u) << ::testing::PrintToString(Log);
    EXPECT_EQ(Launcher.Starts[0],
              (FakeLauncher::Started{Dir.File(c.Program), c.Parameters, Dir.File(c.Folder)}));
    EXPECT_EQ(Launcher.Checked, std::vector<std::string>{Dir.File(c.Program)})
        << "the program asked about is the one started";
    EXPECT_EQ(Log, (std::vector<std::string>{"stop auto-join", "icon still", "pause scan"}));
}

const std::string Connect = "-applaunch 10 +connect 127.60.0.1:27015";
const std::string Game = "lib/steamapps/common/Half-Life";

INSTANTIATE_TEST_SUITE_P(
    Steam, SteamCommandLine,
    ::testing::Values(
        SteamCase{
            "Client", "usr/games/steam", {}, std::nullopt, "usr/games/steam", Connect, "usr/games"},
        SteamCase{"ClientBeforeAnotherOnPath",
                  "usr/games/steam",
                  {"steam", "xdg-open"},
                  std::nullopt,
                  "usr/games/steam",
                  Connect,
                  "usr/games"},
        SteamCase{"ClientWithPassword",
                  "usr/games/steam",
                  {},
                  "s3cret",
                  "usr/games/steam",
                  Connect + " +password s3cret",
                  "usr/games"},
        SteamCase{"ClientPasswordLeftEmpty",
                  "usr/games/steam",
                  {},
                  "",
                  "usr/games/steam",
                  Connect,
                  "usr/games"},
        SteamCase{"LibraryGameProgram",
                  Game + "/hl_linux",
                  {"steam", "xdg-open"},
                  std::nullopt,
                  "bin/steam",
                  Connect,
                  Game},
        SteamCase{"LibraryGameFolder",
                  Game,
                  {"steam"},
                  "pw",
                  "bin/steam",
                  Connect + " +password pw",
                  Game},
        SteamCase{"LibraryFileDeeper",
                  Game + "/cstrike",
                  {"steam"},
                  std::nullopt,
                  "bin/steam",
                  Connect,
                  Game},
        SteamCase{"OlderLibraryLetterCase",
                  "old/SteamApps/common/Half-Life/hl_linux",
                  {"steam"},
                  std::nullopt,
                  "bin/steam",
                  Connect,
                  "old/SteamApps/common/Half-Life"},
        SteamCase{"LibraryWithoutSteamOpensTheAddress",
                  Game + "/hl_linux",
                  {"xdg-open"},
                  std::nullopt,
                  "bin/xdg-open",
                  "steam://connect/127.60.0.1:27015",
                  Game},
        SteamCase{"LibraryWithoutSteamPasswordInTheAddress",
                  Game,
                  {"xdg-open"},
                  "p@ss/w%rd",
                  "bin/xdg-open",
                  "steam://connect/127.60.0.1:27015/p%40ss%2Fw%25rd",
                  Game},
        // Anything else is started itself, as always.
        SteamCase{"OrdinaryGame",
                  "cs/hl.exe",
                  {"steam"},
                  std::nullopt,
                  "cs/hl.exe",
                  "-game cstrike +connect 127.60.0.1:27015",
                  "cs"},
        SteamCase{"ANameLikeSteamIsNoSteam",
                  "usr/games/steam.sh",
                  {"steam"},
                  std::nullopt,
                  "usr/games/steam.sh",
                  "-game cstrike +connect 127.60.0.1:27015",
                  "usr/games"},
        // Steam's Counter-Strike is 1.6: a 1.5 path is started as it is.
        SteamCase{"Cs15PathIsStartedItself",
                  "usr/games/steam",
                  {"steam"},
                  std::nullopt,
                  "usr/games/steam",
                  "-console -game cstrike +connect 127.60.0.1:27015",
                  "usr/games",
                  "46"}),
    [](const auto& info) { return std::string(info.param.Name); });

// What cannot start through Steam is found out before the scan is paused or anything starts.
TEST_F(SteamJoin, WhatCannotStartThroughSteamChangesNothing) {
    const auto attempt = [&](const std::string& path) {
        Log.clear();
        Launcher.Checked.clear();
        Settings.PathCS16 = path;
        Controller.JoinSelectedServer(Row("47"));
    };
    const std::vector<std::string> missing{"stop auto-join", "message 13/0", "options"};
    const std::vector<std::string> cannotRun{"stop auto-join", "message 14/1"};

    attempt(Dir.File(Game + "/hl_linux")); // neither steam nor xdg-open on PATH
    EXPECT_EQ(Log, cannotRun);
    EXPECT_TRUE(Launcher.Checked.empty());
    attempt(Dir.File("usr/bin/steam")); // no client there
    EXPECT_EQ(Log, missing);
    attempt(Dir.File("lib2/steamapps/common/Half-Life")); // no game folder there
    EXPECT_EQ(Log, missing);
    attempt(Dir.File("usr/games")); // a folder is no client
    EXPECT_EQ(Log, missing);

    OnPath["steam"] = Dir.File("bin/steam");
    Launcher.Startable = false;
    attempt(Dir.File(Game));
    EXPECT_EQ(Log, cannotRun);
    EXPECT_EQ(Launcher.Checked, std::vector<std::string>{Dir.File("bin/steam")});
    attempt(Dir.File("usr/games/steam"));
    EXPECT_EQ(Log, cannotRun);
    EXPECT_EQ(Launcher.Checked, std::vector<std::string>{Dir.File("usr/games/steam")});

    // The checks of every join hold for Steam too: a password Steam would split is refused.
    Launcher.Startable = true;
    Password = "two words";
    Settings.PathCS16 = Dir.File("usr/games/steam");
    Log.clear();
    Controller.JoinSelectedServer(Row("47", "1"));
    EXPECT_EQ(Log, (std::vector<std::string>{"stop auto-join", "text/0"}));
    EXPECT_TRUE(Launcher.Starts.empty());
}

// Paths and password are GBK in the settings and reach Steam in the system's encoding; the
// steam:// address carries the password's bytes percent-encoded.
TEST_F(SteamJoin, ChinesePathsAndPasswordReachSteamInTheSystemEncoding) {
    const std::string library = Dir.File("游戏 库/steamapps/common/Half-Life");
    std::filesystem::create_directories(library);
    Settings.PathCS16 = G(library);
    Password = G("密码");
    OnPath["steam"] = Dir.File("bin/steam");
    Controller.JoinSelectedServer(Row("47", "1"));
    OnPath.erase("steam");
    OnPath["xdg-open"] = Dir.File("bin/xdg-open");
    Controller.JoinSelectedServer(Row("47", "1"));
    ASSERT_EQ(Launcher.Starts.size(), 2u) << ::testing::PrintToString(Log);
    EXPECT_EQ(Launcher.Starts[0],
              (FakeLauncher::Started{Dir.File("bin/steam"), Connect + " +password 密码", library}));
    EXPECT_EQ(
        Launcher.Starts[1],
        (FakeLauncher::Started{Dir.File("bin/xdg-open"),
                               "steam://connect/127.60.0.1:27015/%E5%AF%86%E7%A0%81", library}));
}

struct FilesCase {
    const char* Name;
    std::string Path;     // inside the test's folder
    std::string Expected; // inside the test's folder; "-" for an empty path
};

void PrintTo(const FilesCase& c, std::ostream* os) {
    *os << c.Name;
}

class GameFiles : public ::testing::TestWithParam<FilesCase> {};

// favsvrs.dat and cstrike/config.cfg lie in the game's folder, which for Steam is the
// library's Half-Life folder, never the client's own folder.
TEST_P(GameFiles, LieInTheGamesOwnFolder) {
    TempDir dir;
    for (const char* folder :
         {"home/.local/share/Steam/steamapps/common/Half-Life", "usr/games", "cs",
          "root/ubuntu12_32", "root/steamapps/common/Half-Life", "other/.steam/steam"})
        std::filesystem::create_directories(dir.File(folder));
    const FilesCase& c = GetParam();
    const std::string home =
        c.Name == std::string("ClientWithoutALibrary") ? dir.File("other") : dir.File("home");
    EXPECT_EQ(GameFilesPath(dir.File(c.Path), home), c.Expected == "-" ? "" : dir.File(c.Expected));
}

INSTANTIATE_TEST_SUITE_P(
    Steam, GameFiles,
    ::testing::Values(FilesCase{"OrdinaryGame", "cs/hl.exe", "cs/hl.exe"},
                      FilesCase{"ClientUsesTheDefaultLibrary", "usr/games/steam",
                                "home/.local/share/Steam/steamapps/common/Half-Life/hl_linux"},
                      FilesCase{"ClientInsideItsSteamFolder", "root/ubuntu12_32/steam",
                                "root/steamapps/common/Half-Life/hl_linux"},
                      FilesCase{"ClientWithoutALibrary", "usr/games/steam", "-"},
                      FilesCase{"LibraryFolder", "root/steamapps/common/Half-Life",
                                "root/steamapps/common/Half-Life/hl_linux"},
                      FilesCase{"LibraryFileInside", "root/steamapps/common/Half-Life/cstrike/x",
                                "root/steamapps/common/Half-Life/hl_linux"},
                      FilesCase{"LibraryMissing", "gone/steamapps/common/Half-Life/hl_linux", "-"},
                      FilesCase{"SteamDataFolderIsNoClient", "other/.steam/steam",
                                "other/.steam/steam"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(Steam, KindOfPathAndConnectAddress) {
    EXPECT_EQ(KindOfSteamPath("/usr/games/steam"), SteamPathKind::Client);
    EXPECT_EQ(KindOfSteamPath("steam"), SteamPathKind::Client);
    EXPECT_EQ(KindOfSteamPath("/s/steamapps/common/Half-Life"), SteamPathKind::Library);
    EXPECT_EQ(KindOfSteamPath("/s/steamapps/common/Half-Life/"), SteamPathKind::Library);
    EXPECT_EQ(KindOfSteamPath("/s/steamapps/common/Half-Life 2/hl2_linux"), SteamPathKind::None);
    EXPECT_EQ(KindOfSteamPath("/s/steamapps/common/half-life/hl_linux"), SteamPathKind::None);
    EXPECT_EQ(KindOfSteamPath("/games/steamy"), SteamPathKind::None);
    EXPECT_EQ(SteamLibraryGameFolder("/s/steamapps/common/Half-Life/"),
              "/s/steamapps/common/Half-Life");
    EXPECT_EQ(SteamConnectUrl("127.0.0.1:27015", ""), "steam://connect/127.0.0.1:27015");
    EXPECT_EQ(SteamConnectUrl("127.0.0.1:27015", "Az09-._~!"),
              "steam://connect/127.0.0.1:27015/Az09-._~%21");
}

} // namespace
