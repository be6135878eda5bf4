#include "FileRead.h"
#include "PipeRescue.h"
#include "TempDir.h"
#include "Unprivileged.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace {

const char* Name(ReadStatus status) {
    switch (status) {
    case ReadStatus::Read:
        return "Read";
    case ReadStatus::Missing:
        return "Missing";
    case ReadStatus::NotRegular:
        return "NotRegular";
    case ReadStatus::TooBig:
        return "TooBig";
    case ReadStatus::Unreadable:
        return "Unreadable";
    }
    return "?";
}

// Every kind of thing that can stand at a path, each read with a 16-byte limit.
TEST(FileReadTest, ReadsOnlyRegularFilesWithinTheLimitAndNamesEveryOtherOutcome) {
    TempDir dir;
    const std::string gbk("name \"\xD3\xCE\xBC\xD2\"\0x\r\n", 16);
    dir.Write("exact", gbk);
    dir.Write("over", gbk + "!");
    dir.Write("empty", "");
    std::filesystem::create_directory(dir.File("folder"));
    std::filesystem::create_symlink("/dev/zero", dir.File("zero"));
    std::filesystem::create_symlink(dir.File("exact"), dir.File("link"));
    std::filesystem::create_symlink(dir.File("gone"), dir.File("dangling"));
    ASSERT_TRUE(MakePipe(dir.File("pipe")));
    PipeRescue rescue(dir.File("pipe"));

    struct Case {
        const char* File;
        ReadStatus Status;
        std::string Bytes;
    };
    const Case cases[] = {
        {"exact", ReadStatus::Read, gbk},         {"link", ReadStatus::Read, gbk},
        {"empty", ReadStatus::Read, ""},          {"over", ReadStatus::TooBig, ""},
        {"missing", ReadStatus::Missing, ""},     {"dangling", ReadStatus::Missing, ""},
        {"exact/below", ReadStatus::Missing, ""}, {"folder", ReadStatus::NotRegular, ""},
        {"zero", ReadStatus::NotRegular, ""},     {"pipe", ReadStatus::NotRegular, ""},
    };
    for (const Case& c : cases) {
        const FileRead read = ReadRegularFile(dir.File(c.File), 16);
        EXPECT_STREQ(Name(read.Status), Name(c.Status)) << c.File;
        EXPECT_EQ(read.Bytes, c.Bytes) << c.File;
    }
    EXPECT_EQ(rescue.Rescues(), 0) << "the read waited on the pipe";
    EXPECT_EQ(ReadRegularFile("", 16).Status, ReadStatus::Missing);
}

// A file the user may not read, and a folder that takes no new file, need a user that file
// permissions apply to: an ordinary user, or root switched to user "nobody".
TEST(FileReadTest, AFileThatMayNotBeReadAndAFolderThatMayNotBeWritten) {
    TempDir dir;
    dir.Write("secret", "x");
    std::filesystem::create_directory(dir.File("shut"));
    ASSERT_EQ(chmod(dir.File("secret").c_str(), 0), 0);
    ASSERT_EQ(chmod(dir.File("shut").c_str(), 0555), 0);
    ASSERT_EQ(chmod(dir.Path().c_str(), 0777), 0);
    EXPECT_TRUE(FolderTakesNewFiles(dir.Path()));
    const std::optional<bool> seen = RunUnprivileged([&] {
        return ReadRegularFile(dir.File("secret"), 16).Status == ReadStatus::Unreadable &&
               !FolderTakesNewFiles(dir.File("shut")) && FolderTakesNewFiles(dir.Path());
    });
    ASSERT_EQ(chmod(dir.Path().c_str(), 0700), 0);
    ASSERT_TRUE(seen.has_value()) << "could not run as a user without root's rights";
    EXPECT_TRUE(*seen);
    EXPECT_FALSE(FolderTakesNewFiles(dir.File("missing")));
    EXPECT_FALSE(FolderTakesNewFiles(dir.File("secret")));
}

} // namespace
