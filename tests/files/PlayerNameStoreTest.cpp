#include "PlayerNameStore.h"

#include "PipeRescue.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// Two installations, each with hl.exe and cstrike/config.cfg as asked.
struct Games {
    TempDir Dir;
    std::string Exe15 = Dir.File("cs15/hl.exe"), Exe16 = Dir.File("cs16/hl.exe");

    void Install(const std::string& folder, const std::optional<std::string>& config) {
        std::filesystem::create_directories(Dir.File(folder + "/cstrike"));
        Dir.Write(folder + "/hl.exe", "");
        if (config)
            Dir.Write(folder + "/cstrike/config.cfg", *config);
    }
    std::string Config(const std::string& folder) const {
        return Dir.Read(folder + "/cstrike/config.cfg");
    }
};

TEST(PlayerNameStoreTest, TheNameIsReadFromTheFirstPresentGame) {
    struct Case {
        const char* What;
        std::optional<std::string> Config15, Config16; // none: that game is not installed
        std::string Name;
    };
    const Case cases[] = {
        {"both: CS 1.5's", "name \"Old One\"\r\n", "name \"New\"\r\n", "Old One"},
        {"only CS 1.6", std::nullopt, "bind \"n\" \"name x\"\nname \"Gamer\"\n", "Gamer"},
        {"CS 1.5 without a name line", "bind \"n\" \"name\"\r\n", "name \"New\"\r\n", ""},
        {"CS 1.5 without config.cfg", "", "name \"New\"\r\n", ""},
        {"none", std::nullopt, std::nullopt, ""},
    };
    for (const Case& c : cases) {
        Games games;
        if (c.Config15)
            games.Install("cs15", c.Config15->empty() ? std::nullopt : c.Config15);
        if (c.Config16)
            games.Install("cs16", c.Config16);
        EXPECT_EQ(ReadPlayerNameOfGames(games.Exe15, games.Exe16).Name, c.Name) << c.What;
    }
}

TEST(PlayerNameStoreTest, SettingRewritesEveryPresentGameAndOnlyTheNameLine) {
    Games games;
    games.Install("cs15", "bind \"n\" \"name x\"\nname \"Player\"\nsensitivity \"3\"");
    games.Install("cs16", "sensitivity \"2\"\n");
    const SetPlayerNameOutcome outcome = SetPlayerNameOfGames("Gamer", games.Exe15, games.Exe16);
    EXPECT_EQ(outcome.What, SetPlayerNameOutcome::Written);
    EXPECT_EQ(games.Config("cs15"),
              "bind \"n\" \"name x\"\r\nname \"Gamer\"\r\nsensitivity \"3\"\r\n");
    EXPECT_EQ(games.Config("cs16"), "sensitivity \"2\"\r\n");
    EXPECT_EQ(ReadPlayerNameOfGames(games.Exe15, games.Exe16).Name, "Gamer");
}

TEST(PlayerNameStoreTest, ANameTheFileCannotHoldOrAFileThatCannotBeReadStopsTheSetting) {
    Games games;
    games.Install("cs15", std::nullopt); // present, but without config.cfg
    games.Install("cs16", "name \"Player\"\r\n");
    for (const char* bad : {"", "a\"b", "a\r\nexec evil.cfg"}) {
        const SetPlayerNameOutcome outcome = SetPlayerNameOfGames(bad, games.Exe15, games.Exe16);
        EXPECT_NE(outcome.What, SetPlayerNameOutcome::Written) << bad;
    }
    const SetPlayerNameOutcome outcome = SetPlayerNameOfGames("Gamer", games.Exe15, games.Exe16);
    EXPECT_EQ(outcome.What, SetPlayerNameOutcome::Failed);
    EXPECT_EQ(outcome.FailedPath, games.Dir.File("cs15/cstrike/config.cfg"));
    EXPECT_EQ(outcome.FailedRead, ReadStatus::Missing);
    EXPECT_EQ(games.Config("cs16"), "name \"Player\"\r\n");
    // With the executable gone, that game no longer counts.
    std::filesystem::remove(games.Exe15);
    EXPECT_EQ(SetPlayerNameOfGames("Gamer", games.Exe15, games.Exe16).What,
              SetPlayerNameOutcome::Written);
    EXPECT_EQ(games.Config("cs16"), "name \"Gamer\"\r\n");
}

// A pipe or a link to a device in place of config.cfg is neither waited on nor read into
// memory without end: the name reads as none, naming the file and why.
TEST(PlayerNameStoreTest, AConfigThatIsNoRegularFileIsNamedAtOnceAndNeverRewritten) {
    for (const bool pipe : {true, false}) {
        Games games;
        games.Install("cs15", std::nullopt);
        const std::string config = games.Dir.File("cs15/cstrike/config.cfg");
        if (pipe)
            ASSERT_TRUE(MakePipe(config));
        else
            std::filesystem::create_symlink("/dev/zero", config);
        PipeRescue rescue(config);
        const PlayerNameRead read = ReadPlayerNameOfGames(games.Exe15, games.Exe16);
        EXPECT_EQ(read.Name, "") << pipe;
        EXPECT_EQ(read.ConfigPath, config) << pipe;
        EXPECT_EQ(read.Status, ReadStatus::NotRegular) << pipe;
        const SetPlayerNameOutcome outcome = SetPlayerNameOfGames("Gamer", games.Exe15, "");
        EXPECT_EQ(outcome.What, SetPlayerNameOutcome::Failed) << pipe;
        EXPECT_EQ(outcome.FailedRead, ReadStatus::NotRegular) << pipe;
        EXPECT_EQ(rescue.Rescues(), 0) << "waited on the pipe";
        EXPECT_NE(std::filesystem::symlink_status(config).type(),
                  std::filesystem::file_type::regular);
    }
}

} // namespace
