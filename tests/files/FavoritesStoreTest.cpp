#include "FavoritesStore.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

ServerStructure Row(std::string ip, std::string port, std::string protocol, std::string name = {}) {
    ServerStructure row;
    row.IP = std::move(ip);
    row.Port = std::move(port);
    row.Protocol = std::move(protocol);
    row.Name = std::move(name);
    return row;
}

std::vector<std::string> Listed(const ServerRows& rows) {
    std::vector<std::string> out;
    for (const ServerStructure& row : rows)
        out.push_back(row.IP + ":" + row.Port + "/" + row.Protocol);
    return out;
}

// The start-up order: 46, then 47, then 00, each only when it exists.
void LoadAll(const TempDir& dir, ServerRows& favorites, int column = 0, bool ascending = true) {
    const std::vector<std::string> paths = FavoritesFilePaths(dir.Path());
    const char* tags[] = {"46", "47", "00"};
    for (size_t i = 0; i < paths.size(); ++i)
        if (std::filesystem::exists(paths[i])) {
            ASSERT_TRUE(LoadFavoritesFile(paths[i], tags[i], favorites, column, ascending));
        }
}

const std::string Empty = "{\r\n}\r\n";

TEST(FavoritesStoreTest, FirstRunWritesThreeEmptyFilesAndARestartReadsEveryFavoriteBack) {
    TempDir dir;
    ServerRows favorites;
    LoadAll(dir, favorites);
    EXPECT_TRUE(favorites.empty());
    EXPECT_TRUE(SaveFavoritesFiles(dir.Path(), favorites).empty());
    for (const char* name : {"favorite46.dat", "favorite47.dat", "favorite00.dat"})
        EXPECT_EQ(dir.Read(name), Empty) << name;

    favorites.Add(Row("192.0.2.10", "27015", "47", "b"));
    favorites.Add(Row("192.0.2.11", "27015", "46", "a"));
    favorites.Add(Row("192.0.2.12", "27015", "00"));
    favorites.Add(Row("192.0.2.13", "27015", "48")); // another protocol version
    EXPECT_TRUE(SaveFavoritesFiles(dir.Path(), favorites).empty());

    ServerRows restarted;
    LoadAll(dir, restarted, 1, false); // by address, descending
    EXPECT_EQ(Listed(restarted),
              (std::vector<std::string>{"192.0.2.13:27015/00", "192.0.2.12:27015/00",
                                        "192.0.2.11:27015/46", "192.0.2.10:27015/47"}));
}

TEST(FavoritesStoreTest, AServerListedTwiceKeepsTheTagOfTheFileReadFirst) {
    TempDir dir;
    const std::string block = "{\r\nserver\r\n{\r\n\"address\" \"192.0.2.10\"\r\n"
                              "\"port\" \"27015\"\r\n}\r\n}\r\n";
    dir.Write("favorite47.dat", block);
    dir.Write("favorite00.dat", block);
    ServerRows favorites;
    favorites.Add(Row("192.0.2.10", "027015", "46")); // another port text: another server
    LoadAll(dir, favorites);
    EXPECT_EQ(Listed(favorites),
              (std::vector<std::string>{"192.0.2.10:027015/46", "192.0.2.10:27015/47"}));
}

TEST(FavoritesStoreTest, AnUnreadableFileLeavesTheListAlone) {
    TempDir dir;
    ServerRows favorites;
    favorites.Add(Row("192.0.2.10", "27015", "46"));
    EXPECT_FALSE(LoadFavoritesFile(dir.File("missing.dat"), "46", favorites, 0, true));
    EXPECT_FALSE(LoadFavoritesFile(dir.Path(), "46", favorites, 0, true)); // a folder
    EXPECT_EQ(favorites.size(), 1u);
}

TEST(FavoritesStoreTest, AFileThatCannotBeWrittenIsReportedAndTheOthersAreWrittenAndCopied) {
    TempDir start, game15, game16;
    // A folder where favorite47.dat should be: no file can replace it.
    std::filesystem::create_directory(start.File("favorite47.dat"));
    game16.Write("favsvrs.dat", "the game's own");
    ServerRows favorites;
    favorites.Add(Row("192.0.2.10", "27015", "46"));
    favorites.Add(Row("192.0.2.11", "27015", "47"));

    const std::vector<std::string> failed = SaveFavoritesFiles(start.Path(), favorites);
    ASSERT_EQ(failed, std::vector<std::string>{start.File("favorite47.dat")});
    EXPECT_NE(start.Read("favorite46.dat").find("192.0.2.10"), std::string::npos);
    EXPECT_EQ(start.Read("favorite00.dat"), Empty);

    CopyFavoritesToGame(start.Path(), game15.File("hl.exe"), game16.File("hl.exe"), failed);
    EXPECT_EQ(game15.Read("favsvrs.dat"), start.Read("favorite46.dat"));
    EXPECT_EQ(game16.Read("favsvrs.dat"), "the game's own");
}

TEST(FavoritesStoreTest, OnlyAConfiguredGameGetsItsFileReplaced) {
    TempDir start, game16;
    ServerRows favorites;
    favorites.Add(Row("192.0.2.11", "27015", "47"));
    ASSERT_TRUE(SaveFavoritesFiles(start.Path(), favorites).empty());
    game16.Write("favsvrs.dat", "old");
    CopyFavoritesToGame(start.Path(), "", game16.File("hl.exe"));
    EXPECT_EQ(game16.Read("favsvrs.dat"), start.Read("favorite47.dat"));
    // A game folder that is gone is passed over.
    CopyFavoritesToGame(start.Path(), game16.File("gone/hl.exe"), "");
    EXPECT_FALSE(std::filesystem::exists(game16.File("gone")));
}

} // namespace
