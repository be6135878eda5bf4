#include "ProcessLauncher.h"

#include "Gbk.h"
#include "RecordingProgram.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

// The Windows launcher against a real program (quarrix-recorder.exe, built beside this
// test) that writes its working folder and its arguments as CommandLineToArgvW reads them.

namespace {

using Lines = std::vector<std::string>;

std::wstring Wide(const std::string& utf8) {
    const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(size_t(needed), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), needed);
    return wide;
}

std::string Backslashed(std::string path) {
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::wstring RecorderPath() {
    wchar_t own[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, own, MAX_PATH);
    std::wstring path(own, length);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"quarrix-recorder.exe";
}

// A game folder with a Chinese name and a blank, holding the recorder as hl.exe, and the
// record it writes. Texts are UTF-8 here; the launcher is handed GBK.
class WindowsLauncherTest : public ::testing::Test {
protected:
    void SetUp() override {
        Folder = Backslashed(Dir.Path()) + "\\反恐精英 1.6";
        Program = Folder + "\\hl.exe";
        ASSERT_TRUE(CreateDirectoryW(Wide(Folder).c_str(), nullptr));
        ASSERT_TRUE(CopyFileW(RecorderPath().c_str(), Wide(Program).c_str(), TRUE))
            << "no recorder beside the test";
        Record = Dir.File("record.txt");
        ASSERT_TRUE(SetEnvironmentVariableW(L"QUARRIX_RECORD", Wide(Record).c_str()));
    }
    void TearDown() override { SetEnvironmentVariableW(L"QUARRIX_RECORD", nullptr); }

    // The record in UTF-8, the working folder first, then the program and its arguments.
    Lines Recorded() {
        const auto lines = WaitForRecord(Record, 20000);
        if (!lines)
            return {"no record"};
        Lines utf8;
        for (const std::string& line : *lines)
            utf8.push_back(GbkToUtf8(line));
        if (!utf8.empty())
            utf8[0] = Backslashed(utf8[0]);
        return utf8;
    }

    TempDir Dir;
    std::string Folder, Program, Record;
};

struct ArgumentCase {
    const char* Name;
    Lines Arguments; // UTF-8
};

void PrintTo(const ArgumentCase& c, std::ostream* out) {
    *out << c.Name;
}

class Arguments : public WindowsLauncherTest, public ::testing::WithParamInterface<ArgumentCase> {};

TEST_P(Arguments, ReachTheProgramExactlyInItsFolder) {
    Lines gbk;
    for (const std::string& argument : GetParam().Arguments)
        gbk.push_back(Utf8ToGbk(argument));
    ASSERT_TRUE(StartWindowsProgram(Utf8ToGbk(Program), gbk, Utf8ToGbk(Folder)));
    Lines expected{Folder, Program};
    expected.insert(expected.end(), GetParam().Arguments.begin(), GetParam().Arguments.end());
    EXPECT_EQ(Recorded(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Arguments,
    ::testing::Values(
        ArgumentCase{"None", {}},
        ArgumentCase{"Game", {"-game", "cstrike", "+connect", "127.0.0.1:27015"}},
        ArgumentCase{"Blanks", {"two words", " lead", "trail ", "a\tb"}},
        ArgumentCase{"Empty", {"", "middle", ""}},
        ArgumentCase{"Quotes", {"a\"b", "\"", "\"quoted\"", "\"\""}},
        ArgumentCase{"Backslashes", {"C:\\a\\b", "\\\\server\\share", "a\\\"b", "a\\\\\"b"}},
        ArgumentCase{"TrailingBackslashes", {"C:\\my dir\\", "x\\\\", "\\", "end\\ "}},
        ArgumentCase{"Chinese", {"+name", "玩家 一号", "中文", "表\\\"", "+password", "密码"}},
        ArgumentCase{"ShellCharacters",
                     {"&", "echo", "pwned", ">", "pwned.txt", "|", "%PATH%", "^"}}),
    [](const ::testing::TestParamInfo<ArgumentCase>& info) {
        return std::string(info.param.Name);
    });

TEST_F(WindowsLauncherTest, ParametersAreSplitAtBlanksAndNeverReachAShell) {
    WindowsLauncher launcher;
    ASSERT_TRUE(launcher.CanStart(Utf8ToGbk(Program)));
    ASSERT_TRUE(launcher.Start(Utf8ToGbk(Program),
                               Utf8ToGbk("-game cstrike +connect 127.0.0.1:27015&echo>pwned "
                                         "+name 玩家\"一号\\ %PATH%"),
                               Utf8ToGbk(Folder)));
    EXPECT_EQ(Recorded(), (Lines{Folder, Program, "-game", "cstrike", "+connect",
                                 "127.0.0.1:27015&echo>pwned", "+name", "玩家\"一号\\", "%PATH%"}));
    EXPECT_EQ(GetFileAttributesW(Wide(Folder + "\\pwned").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(WindowsLauncherTest, CanStartRegularExeFilesAndMzFilesOnly) {
    WindowsLauncher launcher;
    Dir.Write("game.bin", "MZ a Windows program under another name");
    Dir.Write("readme.txt", "text");
    Dir.Write("fake.EXE", "");
    CreateDirectoryW(Wide(Dir.File("folder.exe")).c_str(), nullptr);
    EXPECT_TRUE(launcher.CanStart(Utf8ToGbk(Program)));
    EXPECT_TRUE(launcher.CanStart(Dir.File("game.bin")));
    EXPECT_TRUE(launcher.CanStart(Dir.File("fake.EXE")));
    EXPECT_FALSE(launcher.CanStart(Dir.File("readme.txt")));
    EXPECT_FALSE(launcher.CanStart(Dir.File("folder.exe")));
    EXPECT_FALSE(launcher.CanStart(Dir.File("missing.exe")));
    EXPECT_FALSE(launcher.CanStart(""));
    // What cannot start is a failure, never a success nobody sees.
    EXPECT_FALSE(launcher.Start(Dir.File("readme.txt"), "", Dir.Path()));
    EXPECT_FALSE(launcher.Start(Dir.File("missing.exe"), "", Dir.Path()));
    EXPECT_FALSE(launcher.Start(Dir.File("fake.EXE"), "", Dir.Path()));
    EXPECT_EQ(&SystemLauncher(), &SystemLauncher());
    EXPECT_NE(dynamic_cast<WindowsLauncher*>(&SystemLauncher()), nullptr);
}

} // namespace
