#include "FileRead.h"
#include "FileReplace.h"
#include "ProcessList.h"

#include "NativeText.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include "WinText.h"
#endif

#include <filesystem>
#include <string>
#include <vector>

// Files and the process list through the platform layer, with the names a Chinese user
// has: what each system's side must do alike.

namespace {

// The names in the folder, as UTF-8.
std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::u8path(folder))) {
        const std::u8string name = entry.path().filename().u8string();
        names.emplace_back(name.begin(), name.end());
    }
    return names;
}

TEST(PlainFiles, ReplaceAndReadAFileWithAChineseNameInAChineseFolder) {
    TempDir dir;
    const std::string folder = dir.Path() + "/" + NativeText("反恐精英 收藏");
    std::filesystem::create_directory(std::filesystem::u8path(dir.Path() + "/反恐精英 收藏"));
    const std::string path = folder + "/" + NativeText("服务器列表.dat");
    EXPECT_EQ(ReadRegularFile(path, 1024).Status, ReadStatus::Missing);
    EXPECT_TRUE(FolderTakesNewFiles(folder));

    const std::string first("first\0generation\r\n", 19);
    ASSERT_TRUE(ReplaceFile(path, first));
    FileRead read = ReadRegularFile(path, 1024);
    ASSERT_EQ(read.Status, ReadStatus::Read);
    EXPECT_EQ(read.Bytes, first);

    const std::string second(5000, '\xB7');
    ASSERT_TRUE(ReplaceFile(path, second));
    read = ReadRegularFile(path, 5000);
    ASSERT_EQ(read.Status, ReadStatus::Read);
    EXPECT_EQ(read.Bytes, second);
    EXPECT_EQ(ReadRegularFile(path, 4999).Status, ReadStatus::TooBig);
    // One file under the right name: no temporary left, no name mangled on the way.
    EXPECT_EQ(Names(dir.Path() + "/反恐精英 收藏"), std::vector<std::string>{"服务器列表.dat"});

    EXPECT_EQ(ReadRegularFile(folder, 1024).Status, ReadStatus::NotRegular);
    // A device is refused before a byte is read, so it neither hangs nor fills the memory.
#ifdef _WIN32
    EXPECT_EQ(ReadRegularFile("NUL", 1024).Status, ReadStatus::NotRegular);
#else
    EXPECT_EQ(ReadRegularFile("/dev/null", 1024).Status, ReadStatus::NotRegular);
#endif
    EXPECT_EQ(ReadRegularFile(folder + "/" + NativeText("没有.dat"), 1024).Status,
              ReadStatus::Missing);
    EXPECT_FALSE(FolderTakesNewFiles(folder + "/" + NativeText("没有")));
    // A file cannot be replaced in a folder that is not there; nothing is made.
    EXPECT_FALSE(ReplaceFile(folder + "/" + NativeText("没有") + "/x.dat", "x"));
}

#ifdef _WIN32
// GBK crosses to the system's wide text and back exactly, and what does not convert
// exactly opens nothing: no '?' or best-fit character ever names another file.
TEST(PlainFiles, GbkAndWideTextConvertExactlyOrNotAtAll) {
    const std::string gbk = NativeText("反恐精英 服务器.dat");
    const std::optional<std::wstring> wide = WideFromGbk(gbk);
    ASSERT_TRUE(wide);
    EXPECT_EQ(*wide, L"反恐精英 服务器.dat");
    EXPECT_EQ(GbkFromWide(*wide), gbk);
    EXPECT_EQ(WideFromGbk(""), std::wstring());
    EXPECT_FALSE(WideFromGbk("a\x81"));     // a lead byte without its trail
    EXPECT_FALSE(GbkFromWide(L"Zo\u00eb")); // GBK has no e with diaeresis
    EXPECT_FALSE(GbkFromWide(L"\u0100x"));  // nor A with macron (no best fit to 'A')

    TempDir dir;
    const std::string broken = dir.Path() + "/a\x81";
    EXPECT_FALSE(ReplaceFile(broken, "x"));
    EXPECT_EQ(ReadRegularFile(broken, 16).Status, ReadStatus::Unreadable);
    EXPECT_TRUE(Names(dir.Path()).empty());
}
#endif

TEST(PlainFiles, ProcessListFindsThisProcessUnderItsOwnName) {
    const std::string own = OwnExecutableName();
#ifdef _WIN32
    EXPECT_EQ(own, "platform_plain_tests.exe");
#else
    EXPECT_EQ(own, "platform_plain_tests");
#endif
    EXPECT_TRUE(AnyProcessNamed(own));
    EXPECT_GE(CountProcessesNamed(own), 1);
    // Names are compared byte for byte, as they are on every system.
    for (const std::string& other : {std::string("quarrix-no-such-program.exe"), std::string(),
                                     own.substr(0, own.size() - 1), own + "x"}) {
        SCOPED_TRACE(other);
        EXPECT_FALSE(AnyProcessNamed(other));
        EXPECT_EQ(CountProcessesNamed(other), 0);
    }
}

} // namespace
