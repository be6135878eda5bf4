#include "ProcessLauncher.h"
#include "ProcessList.h"

#include "RecordingProgram.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Lines = std::vector<std::string>;

// PATH replaced for the test's lifetime.
class ScopedPath {
public:
    explicit ScopedPath(const std::string& path) {
        if (const char* old = std::getenv("PATH"))
            Old = old;
        ::setenv("PATH", path.c_str(), 1);
    }
    ~ScopedPath() { ::setenv("PATH", Old.c_str(), 1); }

private:
    std::string Old;
};

TEST(SplitParameters, BlanksSeparateAndNothingIsQuoted) {
    EXPECT_EQ(SplitParameters("-game cstrike +connect 127.60.0.1:27015"),
              (Lines{"-game", "cstrike", "+connect", "127.60.0.1:27015"}));
    EXPECT_EQ(SplitParameters(" +connect  a:1\t-x "), (Lines{"+connect", "a:1", "-x"}));
    EXPECT_EQ(SplitParameters("\"two words\" 'q'"), (Lines{"\"two", "words\"", "'q'"}));
    EXPECT_EQ(SplitParameters(""), Lines{});
    EXPECT_EQ(SplitParameters("   "), Lines{});
}

class Launcher : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(Dir.File("game dir"));
        Record = Dir.File("record.txt");
    }
    TempDir Dir;
    std::string Record;
    PosixLauncher Posix;
};

TEST_F(Launcher, ExecutableStartsDirectlyInItsDirectoryWithoutAShellAndLeavesNoChild) {
    const std::string program = Dir.File("game dir/hl.exe");
    WriteRecordingProgram(program, Record);
    ASSERT_TRUE(Posix.Start(program, "-game cstrike +connect 127.60.0.1:27015;touch pwned $HOME",
                            Dir.File("game dir")));
    const auto lines = WaitForRecord(Record);
    ASSERT_TRUE(lines);
    EXPECT_EQ(*lines, (Lines{Dir.File("game dir"), "-game", "cstrike", "+connect",
                             "127.60.0.1:27015;touch", "pwned", "$HOME"}));
    EXPECT_FALSE(std::filesystem::exists(Dir.File("game dir/pwned")));
    // The program was handed over, not left to this process to reap.
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(Launcher, WindowsProgramRunsThroughWineOnlyWhenWineIsOnPath) {
    const std::string program = Dir.File("game dir/hl.exe");
    Dir.Write("game dir/hl.exe", "MZ not for this system");
    std::filesystem::create_directory(Dir.File("bin"));
    {
        const ScopedPath path(Dir.File("bin"));
        EXPECT_FALSE(Posix.Start(program, "-game cstrike", Dir.File("game dir")));
    }
    WriteRecordingProgram(Dir.File("bin/wine"), Record);
    {
        const ScopedPath path(Dir.File("bin"));
        ASSERT_TRUE(Posix.Start(program, " +connect 127.60.0.1:27015", Dir.File("game dir")));
    }
    const auto lines = WaitForRecord(Record);
    ASSERT_TRUE(lines);
    EXPECT_EQ(*lines, (Lines{Dir.File("game dir"), program, "+connect", "127.60.0.1:27015"}));
}

// How a file is started follows its first bytes, not its name or mode bits: wine marks
// the Windows programs it installs executable, and a native game may be called hl.exe.
struct KindCase {
    const char* Name;
    std::string Content; // "#!" makes the recording script; "ELF" a copy of touch
    bool Executable;
    bool WineOnPath;
    enum { Directly, ThroughWine, NotAtAll } Expected;
};

void PrintTo(const KindCase& c, std::ostream* os) {
    *os << c.Name;
}

class ProgramKinds : public Launcher, public ::testing::WithParamInterface<KindCase> {};

TEST_P(ProgramKinds, StartDirectlyThroughWineOrNotAtAllAndCanStartSaysWhichBeforehand) {
    const KindCase& c = GetParam();
    const std::string program = Dir.File("game dir/hl.exe");
    const std::string ran = Dir.File("ran-directly");
    if (c.Content == "#!")
        WriteRecordingProgram(program, Record);
    else if (c.Content == "ELF")
        std::filesystem::copy_file("/usr/bin/touch", program);
    else
        Dir.Write("game dir/hl.exe", c.Content);
    std::filesystem::permissions(program, c.Executable ? std::filesystem::perms::owner_all
                                                       : std::filesystem::perms::owner_read |
                                                             std::filesystem::perms::owner_write);
    std::filesystem::create_directory(Dir.File("bin"));
    const std::string wineRecord = Dir.File("wine.txt");
    if (c.WineOnPath)
        WriteRecordingProgram(Dir.File("bin/wine"), wineRecord);
    // The ELF case is touch: its one argument is the file it makes.
    const std::string parameters = c.Content == "ELF" ? ran : "+connect 127.60.0.1:27015";
    const ScopedPath path(Dir.File("bin"));

    const bool startable = c.Expected != KindCase::NotAtAll;
    EXPECT_EQ(Posix.CanStart(program), startable);
    EXPECT_EQ(Posix.Start(program, parameters, Dir.File("game dir")), startable);
    switch (c.Expected) {
    case KindCase::Directly:
        if (c.Content == "ELF") {
            EXPECT_TRUE(WaitForRecord(ran));
        } else {
            const auto lines = WaitForRecord(Record);
            ASSERT_TRUE(lines);
            EXPECT_EQ(*lines, (Lines{Dir.File("game dir"), "+connect", "127.60.0.1:27015"}));
        }
        break;
    case KindCase::ThroughWine: {
        const auto lines = WaitForRecord(wineRecord);
        ASSERT_TRUE(lines);
        EXPECT_EQ(*lines, (Lines{Dir.File("game dir"), program, "+connect", "127.60.0.1:27015"}));
        break;
    }
    case KindCase::NotAtAll:
        break;
    }
    if (c.Expected != KindCase::ThroughWine) {
        EXPECT_FALSE(WaitForRecord(wineRecord, 100)) << "wine was started";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Launcher, ProgramKinds,
    ::testing::Values(
        KindCase{"WindowsExecutableBitWithWine", "MZ\x90", true, true, KindCase::ThroughWine},
        KindCase{"WindowsNoExecuteBitWithWine", "MZ\x90", false, true, KindCase::ThroughWine},
        KindCase{"WindowsExecutableBitNoWine", "MZ\x90", true, false, KindCase::NotAtAll},
        KindCase{"ScriptWithWineOnPath", "#!", true, true, KindCase::Directly},
        KindCase{"ElfNamedExeWithWineOnPath", "ELF", true, true, KindCase::Directly},
        KindCase{"ScriptWithoutExecuteBit", "#!", false, true, KindCase::NotAtAll},
        KindCase{"TextWithExecuteBit", "echo hi\n", true, true, KindCase::NotAtAll},
        KindCase{"EmptyFile", "", true, true, KindCase::NotAtAll}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(KindOfProgram, ReadsTheFirstBytesOfRegularFilesOnly) {
    TempDir dir;
    dir.Write("mz", "MZ");
    dir.Write("script", "#!/bin/sh\n");
    dir.Write("m", "M");
    EXPECT_EQ(KindOfProgram(dir.File("mz")), ProgramKind::Windows);
    EXPECT_EQ(KindOfProgram(dir.File("script")), ProgramKind::Native);
    EXPECT_EQ(KindOfProgram("/bin/sh"), ProgramKind::Native);
    EXPECT_EQ(KindOfProgram(dir.File("m")), ProgramKind::Other);
    EXPECT_EQ(KindOfProgram(dir.File("missing")), ProgramKind::Other);
    EXPECT_EQ(KindOfProgram(dir.Path()), ProgramKind::Other);
    // A FIFO nobody writes to would hold a plain open() for ever.
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    EXPECT_EQ(KindOfProgram(dir.File("fifo")), ProgramKind::Other);
    PosixLauncher posix;
    EXPECT_FALSE(posix.CanStart(dir.File("fifo")));
}

TEST_F(Launcher, WhatCannotStartIsReportedAsAFailure) {
    Dir.Write("game dir/notes", "plain file");
    const std::string program = Dir.File("game dir/hl");
    WriteRecordingProgram(program, Record);
    EXPECT_FALSE(Posix.Start(Dir.File("game dir/notes"), "", Dir.File("game dir")));
    EXPECT_FALSE(Posix.Start(Dir.File("game dir/missing"), "", Dir.File("game dir")));
    EXPECT_FALSE(Posix.Start(program, "", Dir.File("no such dir")));
    EXPECT_FALSE(std::filesystem::exists(Record));
}

// A Windows program under wine runs as wine's loader with the program's own path first;
// it is found by the program's file name, exactly.
TEST(AnyProcessNamed, FindsProgramsByNameAndWineProgramsByTheirWindowsName) {
    TempDir dir;
    const std::string loader = dir.File("wine-preloader");
    std::filesystem::copy_file("/bin/sleep", loader);
    std::filesystem::permissions(loader, std::filesystem::perms::owner_all);
    char arg0[] = "C:\\Games\\CD\\cdeath.exe";
    char arg1[] = "30";
    char* argv[] = {arg0, arg1, nullptr};
    pid_t child = 0;
    ASSERT_EQ(::posix_spawn(&child, loader.c_str(), nullptr, nullptr, argv, environ), 0);
    EXPECT_TRUE(AnyProcessNamed("cdeath.exe"));
    EXPECT_TRUE(AnyProcessNamed("wine-preloader"));
    EXPECT_TRUE(AnyProcessNamed("platform_tests"));
    EXPECT_FALSE(AnyProcessNamed("CDEATH.EXE"));
    EXPECT_FALSE(AnyProcessNamed("cdeath"));
    EXPECT_FALSE(AnyProcessNamed(""));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_FALSE(AnyProcessNamed("cdeath.exe"));
}

} // namespace
