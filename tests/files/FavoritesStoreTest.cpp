#include "FavoritesStore.h"

#include "FileAccess.h"
#include "TempDir.h"
#include "TestRow.h"
#include "Unprivileged.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace {

ServerStructure Row(std::string ip, std::string port, std::string protocol, std::string name = {}) {
    return TestRow(std::move(ip), std::move(port))
        .Protocol(std::move(protocol))
        .Name(std::move(name));
}

std::vector<std::string> Listed(const ServerRows& rows) {
    std::vector<std::string> out;
    for (const ServerStructure& row : rows)
        out.push_back(row.IP + ":" + row.Port + "/" + row.Protocol);
    return out;
}

const std::string Empty = "{\r\n}\r\n";

std::string Block(const std::string& ip) {
    return "server\r\n{\r\n\"address\" \"" + ip + "\"\r\n\"port\" \"27015\"\r\n}\r\n";
}

std::string File(const std::vector<std::string>& ips) {
    std::string bytes = "{\r\n";
    for (const std::string& ip : ips)
        bytes += Block(ip);
    return bytes + "}\r\n";
}

bool Exists(const std::string& path) {
    return std::filesystem::symlink_status(path).type() != std::filesystem::file_type::not_found;
}

TEST(FavoritesStoreTest, FirstRunWritesThreeEmptyFilesAndARestartReadsEveryFavoriteBack) {
    TempDir dir;
    ServerRows favorites;
    FavoritesFiles first(dir.Path());
    EXPECT_TRUE(first.Load(favorites, 0, true).empty());
    EXPECT_TRUE(favorites.empty());
    EXPECT_TRUE(first.Save(favorites).empty());
    for (const char* name : {"favorite46.dat", "favorite47.dat", "favorite00.dat"})
        EXPECT_EQ(dir.Read(name), Empty) << name;

    favorites.Add(Row("192.0.2.10", "27015", "47", "b"));
    favorites.Add(Row("192.0.2.11", "27015", "46", "a"));
    favorites.Add(Row("192.0.2.12", "27015", "00"));
    favorites.Add(Row("192.0.2.13", "27015", "48")); // another protocol version
    EXPECT_TRUE(first.Save(favorites).empty());

    ServerRows restarted;
    FavoritesFiles second(dir.Path());
    EXPECT_TRUE(second.Load(restarted, 1, false).empty()); // by address, descending
    EXPECT_EQ(Listed(restarted),
              (std::vector<std::string>{"192.0.2.13:27015/00", "192.0.2.12:27015/00",
                                        "192.0.2.11:27015/46", "192.0.2.10:27015/47"}));
}

TEST(FavoritesStoreTest, AServerListedTwiceKeepsTheTagOfTheFileReadFirst) {
    TempDir dir;
    const std::string block = File({"192.0.2.10"});
    dir.Write("favorite47.dat", block);
    dir.Write("favorite00.dat", block);
    ServerRows favorites;
    favorites.Add(Row("192.0.2.10", "027015", "46")); // another port text: another server
    FavoritesFiles files(dir.Path());
    EXPECT_TRUE(files.Load(favorites, 0, true).empty());
    EXPECT_EQ(Listed(favorites),
              (std::vector<std::string>{"192.0.2.10:027015/46", "192.0.2.10:27015/47"}));
}

TEST(FavoritesStoreTest, AGameFileThatCannotBeReadLeavesTheListAlone) {
    TempDir dir;
    ServerRows favorites;
    favorites.Add(Row("192.0.2.10", "27015", "46"));
    EXPECT_EQ(LoadFavoritesFile(dir.File("missing.dat"), "46", favorites, 0, true),
              ReadStatus::Missing);
    EXPECT_EQ(LoadFavoritesFile(dir.Path(), "46", favorites, 0, true), ReadStatus::NotRegular);
    EXPECT_EQ(favorites.size(), 1u);
}

// Anything at a file's path that is no readable regular file is reported, kept as it is
// through the save, and never copied over the game's file; the other files go on as usual.
TEST(FavoritesStoreTest, AFileThatIsThereButNotReadIsReportedAndNeitherWrittenNorCopied) {
    struct Case {
        const char* What;
        ReadStatus Status;
        void (*Make)(const TempDir& dir);
    };
    const Case cases[] = {
        {"folder", ReadStatus::NotRegular,
         [](const TempDir& dir) { std::filesystem::create_directory(dir.File("favorite47.dat")); }},
        {"device", ReadStatus::NotRegular,
         [](const TempDir& dir) {
             std::filesystem::create_symlink("/dev/zero", dir.File("favorite47.dat"));
         }},
        {"too big", ReadStatus::TooBig,
         [](const TempDir& dir) {
             dir.Write("favorite47.dat", "{");
             std::filesystem::resize_file(dir.File("favorite47.dat"), MaxFavoritesBytes + 1);
         }},
    };
    for (const Case& c : cases) {
        TempDir start, game15, game16;
        start.Write("favorite46.dat", File({"192.0.2.46"}));
        c.Make(start);
        game16.Write("favsvrs.dat", File({"192.0.2.99"}));
        ServerRows favorites;
        FavoritesFiles files(start.Path());
        EXPECT_EQ(files.Load(favorites, 0, true),
                  (std::vector<FileProblem>{{start.File("favorite47.dat"), c.Status}}))
            << c.What;
        EXPECT_EQ(Listed(favorites), std::vector<std::string>{"192.0.2.46:27015/46"}) << c.What;

        // With no 1.6 favorite in the list nothing of the run is lost: nothing to report.
        EXPECT_TRUE(files.Save(favorites).empty()) << c.What;
        favorites.Add(Row("192.0.2.47", "27015", "47"));
        EXPECT_EQ(files.Save(favorites), std::vector<std::string>{start.File("favorite47.dat")})
            << c.What;
        files.CopyToGames(game15.File("hl.exe"), game16.File("hl.exe"));
        EXPECT_EQ(game16.Read("favsvrs.dat"), File({"192.0.2.99"})) << c.What;
        EXPECT_FALSE(Exists(game16.File("favsvrs.dat.bak"))) << c.What;
        EXPECT_EQ(game15.Read("favsvrs.dat"), start.Read("favorite46.dat")) << c.What;
        EXPECT_EQ(start.Read("favorite00.dat"), Empty) << c.What;
        const auto type = std::filesystem::symlink_status(start.File("favorite47.dat")).type();
        if (c.Status == ReadStatus::TooBig) {
            EXPECT_EQ(std::filesystem::file_size(start.File("favorite47.dat")),
                      MaxFavoritesBytes + 1);
        } else {
            EXPECT_NE(type, std::filesystem::file_type::regular) << c.What;
        }
    }
}

// A favorites file the user may not read needs a user that permissions apply to: an
// ordinary user, or root switched to user "nobody".
TEST(FavoritesStoreTest, AFileTheUserMayNotReadIsReportedAndKept) {
    TempDir start;
    start.Write("favorite47.dat", File({"192.0.2.1", "192.0.2.2"}));
    ASSERT_EQ(chmod(start.File("favorite47.dat").c_str(), 0), 0);
    ASSERT_EQ(chmod(start.Path().c_str(), 0777), 0);
    const std::optional<bool> kept = RunUnprivileged([&] {
        ServerRows favorites;
        FavoritesFiles files(start.Path());
        const std::vector<FileProblem> problems = files.Load(favorites, 0, true);
        const std::vector<std::string> notSaved = files.Save(favorites);
        return problems == std::vector<FileProblem>{{start.File("favorite47.dat"),
                                                     ReadStatus::Unreadable}} &&
               notSaved.empty() && favorites.empty();
    });
    ASSERT_EQ(chmod(start.Path().c_str(), 0700), 0);
    ASSERT_EQ(chmod(start.File("favorite47.dat").c_str(), 0644), 0);
    ASSERT_TRUE(kept.has_value()) << "could not run as a user without root's rights";
    EXPECT_TRUE(*kept);
    EXPECT_EQ(start.Read("favorite47.dat"), File({"192.0.2.1", "192.0.2.2"}));
}

// A start-up that stopped before the favorites were read writes none of them.
TEST(FavoritesStoreTest, FilesNeverReadAreNeverWrittenAndTheirFavoritesOfTheRunAreReported) {
    TempDir start, game16;
    start.Write("favorite46.dat", File({"192.0.2.1"}));
    start.Write("favorite47.dat", File({"192.0.2.2", "192.0.2.3"}));
    game16.Write("favsvrs.dat", "the game's own");
    ServerRows favorites;
    FavoritesFiles files(start.Path());
    EXPECT_TRUE(files.Save(favorites).empty());
    favorites.Add(Row("192.0.2.9", "27015", "47"));
    EXPECT_EQ(files.Save(favorites), std::vector<std::string>{start.File("favorite47.dat")});
    files.CopyToGames("", game16.File("hl.exe"));
    EXPECT_EQ(start.Read("favorite46.dat"), File({"192.0.2.1"}));
    EXPECT_EQ(start.Read("favorite47.dat"), File({"192.0.2.2", "192.0.2.3"}));
    EXPECT_FALSE(Exists(start.File("favorite00.dat")));
    EXPECT_EQ(game16.Read("favsvrs.dat"), "the game's own");
}

// The file of the last run stays readable in a folder that takes no new file; it holds the
// last run's favorites, not this run's, and must not reach the game. Needs a user that
// permissions apply to (an ordinary user, or root switched to "nobody").
TEST(FavoritesStoreTest, AFileThatFailedToWriteIsNeverCopiedEvenWhenAnOlderCopyIsReadable) {
    TempDir start, game15;
    start.Write("favorite46.dat", File({"192.0.2.1"}));
    game15.Write("favsvrs.dat", File({"192.0.2.8"}));
    ASSERT_EQ(chmod(start.Path().c_str(), 0555), 0);
    ASSERT_EQ(chmod(game15.Path().c_str(), 0777), 0);
    ASSERT_EQ(chmod(game15.File("favsvrs.dat").c_str(), 0666), 0);
    const std::optional<bool> reported = RunUnprivileged([&] {
        ServerRows favorites;
        FavoritesFiles files(start.Path());
        if (!files.Load(favorites, 0, true).empty())
            return false;
        favorites.Add(Row("192.0.2.2", "27015", "46"));
        const std::vector<std::string> notSaved = files.Save(favorites);
        files.CopyToGames(game15.File("hl.exe"), "");
        return notSaved.size() == 3 && notSaved[0] == start.File("favorite46.dat");
    });
    ASSERT_EQ(chmod(start.Path().c_str(), 0700), 0);
    ASSERT_EQ(chmod(game15.Path().c_str(), 0700), 0);
    ASSERT_TRUE(reported.has_value()) << "could not run as a user without root's rights";
    EXPECT_TRUE(*reported);
    EXPECT_EQ(start.Read("favorite46.dat"), File({"192.0.2.1"}));
    EXPECT_EQ(game15.Read("favsvrs.dat"), File({"192.0.2.8"}))
        << "the last run's favorites were copied over the game's";
}

TEST(FavoritesStoreTest, OnlyAConfiguredGameGetsItsFileReplaced) {
    TempDir start, game16;
    ServerRows favorites;
    FavoritesFiles files(start.Path());
    ASSERT_TRUE(files.Load(favorites, 0, true).empty());
    favorites.Add(Row("192.0.2.11", "27015", "47"));
    ASSERT_TRUE(files.Save(favorites).empty());
    files.CopyToGames("", game16.File("hl.exe"));
    EXPECT_EQ(game16.Read("favsvrs.dat"), start.Read("favorite47.dat"));
    // A game folder that is gone is passed over.
    files.CopyToGames(game16.File("gone/hl.exe"), "");
    EXPECT_FALSE(std::filesystem::exists(game16.File("gone")));
}

// The game's favsvrs.dat is kept as favsvrs.dat.bak before it is replaced, unless it holds
// what the program wrote there (our file as read at start-up, or what this close wrote).
TEST(FavoritesStoreTest, AGameFileHoldingFavoritesOfItsOwnIsKeptBesideItOnce) {
    const std::string ours = File({"192.0.2.1"});
    struct Case {
        const char* What;
        std::optional<std::string> Game;   // favsvrs.dat before the close; none: no file
        std::optional<std::string> Backup; // favsvrs.dat.bak after it; none: no file
    };
    const Case cases[] = {
        {"no game file", std::nullopt, std::nullopt},
        {"what we wrote last time", ours, std::nullopt},
        {"the game added a favorite", File({"192.0.2.1", "192.0.2.7"}),
         File({"192.0.2.1", "192.0.2.7"})},
        {"set without browsing", "\"Favorites\"\r\n{\r\n}\r\n", "\"Favorites\"\r\n{\r\n}\r\n"},
    };
    for (const Case& c : cases) {
        TempDir start, game;
        start.Write("favorite46.dat", ours);
        if (c.Game)
            game.Write("favsvrs.dat", *c.Game);
        ServerRows favorites;
        FavoritesFiles files(start.Path());
        ASSERT_TRUE(files.Load(favorites, 0, true).empty());
        favorites.Add(Row("192.0.2.3", "27015", "46"));
        ASSERT_TRUE(files.Save(favorites).empty());
        files.CopyToGames(game.File("hl.exe"), "");
        EXPECT_EQ(game.Read("favsvrs.dat"), start.Read("favorite46.dat")) << c.What;
        EXPECT_EQ(Exists(game.File("favsvrs.dat.bak")), c.Backup.has_value()) << c.What;
        if (c.Backup) {
            EXPECT_EQ(game.Read("favsvrs.dat.bak"), *c.Backup) << c.What;
        }
    }
}

TEST(FavoritesStoreTest, TwoGamesInOneFolderKeepTheGamesOwnFileNotOurs) {
    TempDir start, game;
    game.Write("favsvrs.dat", "the game's own");
    ServerRows favorites;
    FavoritesFiles files(start.Path());
    ASSERT_TRUE(files.Load(favorites, 0, true).empty());
    favorites.Add(Row("192.0.2.5", "27015", "46"));
    favorites.Add(Row("192.0.2.6", "27015", "47"));
    ASSERT_TRUE(files.Save(favorites).empty());
    files.CopyToGames(game.File("hl.exe"), game.File("hl.exe"));
    EXPECT_EQ(game.Read("favsvrs.dat.bak"), "the game's own");
    EXPECT_EQ(game.Read("favsvrs.dat"), start.Read("favorite47.dat"));
}

// When the old file cannot be kept, or cannot be read to be kept, the game keeps it.
TEST(FavoritesStoreTest, AGameFileThatCannotBeKeptIsNotReplaced) {
    TempDir start, game15, game16;
    game15.Write("favsvrs.dat", "the game's own");
    std::filesystem::create_directory(game15.File("favsvrs.dat.bak"));
    std::filesystem::create_directory(game16.File("favsvrs.dat"));
    ServerRows favorites;
    FavoritesFiles files(start.Path());
    ASSERT_TRUE(files.Load(favorites, 0, true).empty());
    favorites.Add(Row("192.0.2.5", "27015", "46"));
    favorites.Add(Row("192.0.2.6", "27015", "47"));
    ASSERT_TRUE(files.Save(favorites).empty());
    files.CopyToGames(game15.File("hl.exe"), game16.File("hl.exe"));
    EXPECT_EQ(game15.Read("favsvrs.dat"), "the game's own");
    EXPECT_TRUE(std::filesystem::is_directory(game16.File("favsvrs.dat")));
}

} // namespace
