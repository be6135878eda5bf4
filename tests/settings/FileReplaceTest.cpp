#include "FileReplace.h"
#include "TempDir.h"
#include "Unprivileged.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

namespace {

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

using Names = std::vector<std::string>;

TEST(FileReplaceTest, ReplacesContentKeepingPermissionsAndLeavesNoTemporary) {
    TempDir dir;
    dir.Write("Quarrix.ini", "old");
    ASSERT_EQ(chmod(dir.File("Quarrix.ini").c_str(), 0640), 0);

    EXPECT_TRUE(ReplaceFile(dir.File("Quarrix.ini"), "new\r\n"));

    EXPECT_EQ(dir.Read("Quarrix.ini"), "new\r\n");
    struct stat st {};
    ASSERT_EQ(stat(dir.File("Quarrix.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(Entries(dir.Path()), Names{"Quarrix.ini"});
}

TEST(FileReplaceTest, CreatesAMissingFileButNotAMissingFolder) {
    TempDir dir;
    EXPECT_TRUE(ReplaceFile(dir.File("new.ini"), "x"));
    EXPECT_EQ(dir.Read("new.ini"), "x");
    EXPECT_FALSE(ReplaceFile(dir.File("absent/new.ini"), "x"));
    EXPECT_EQ(Entries(dir.Path()), Names{"new.ini"});
}

TEST(FileReplaceTest, UnwritableFolderKeepsTheOldFileAndReportsFalse) {
    TempDir dir;
    const std::string folder = dir.File("readonly");
    std::filesystem::create_directory(folder);
    dir.Write("readonly/Quarrix.ini", "old");
    ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);

    const std::optional<bool> replaced =
        RunUnprivileged([&] { return ReplaceFile(folder + "/Quarrix.ini", "new"); });

    ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
    ASSERT_TRUE(replaced.has_value());
    EXPECT_FALSE(*replaced);
    EXPECT_EQ(dir.Read("readonly/Quarrix.ini"), "old");
    EXPECT_EQ(Entries(folder), Names{"Quarrix.ini"});
}

// A write that stops half way (here: the file size limit, as a full disk would) must
// neither touch the old file nor leave the partial temporary behind.
TEST(FileReplaceTest, FailedWriteKeepsTheOldFileAndRemovesTheTemporary) {
    TempDir dir;
    dir.Write("Quarrix.ini", "old");
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit oldLimit{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &oldLimit), 0);
    rlimit small = oldLimit;
    small.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);

    const bool replaced = ReplaceFile(dir.File("Quarrix.ini"), std::string(4096, 'x'));

    setrlimit(RLIMIT_FSIZE, &oldLimit);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(replaced);
    EXPECT_EQ(dir.Read("Quarrix.ini"), "old");
    EXPECT_EQ(Entries(dir.Path()), Names{"Quarrix.ini"});
}

TEST(FileReplaceTest, FailedRenameRemovesTheTemporary) {
    TempDir dir;
    std::filesystem::create_directory(dir.File("Quarrix.ini"));
    dir.Write("Quarrix.ini/inside", "kept");

    EXPECT_FALSE(ReplaceFile(dir.File("Quarrix.ini"), "new"));

    EXPECT_EQ(dir.Read("Quarrix.ini/inside"), "kept");
    EXPECT_EQ(Entries(dir.Path()), Names{"Quarrix.ini"});
}

} // namespace
