#include "ProcessList.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(ProcessListTest, CountsOwnExecutableOnly) {
    const std::string own = OwnExecutableName();
    EXPECT_EQ(own, "platform_tests");
    EXPECT_GE(CountProcessesNamed(own), 1);
    for (const std::string& other :
         {std::string("quarrix-no-such-program"), std::string(""), own.substr(0, own.size() - 1),
          own + ".exe", std::string("PLATFORM_TESTS")}) {
        SCOPED_TRACE(other);
        EXPECT_EQ(CountProcessesNamed(other), 0);
    }
}

// A copy under a long name whose file was removed while it runs is still counted under
// that name, not under the truncated command name nor with the " (deleted)" mark.
TEST(ProcessListTest, CountsRunningCopyWhoseFileWasRemoved) {
    TempDir dir;
    const std::string name = "quarrix-probe-sleeper";
    const std::string path = dir.File(name);
    std::filesystem::copy_file("/bin/sleep", path);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    char arg0[] = "sleep";
    char arg1[] = "30";
    char* argv[] = {arg0, arg1, nullptr};
    pid_t child = 0;
    ASSERT_EQ(::posix_spawn(&child, path.c_str(), nullptr, nullptr, argv, environ), 0);
    // posix_spawn returns once the child runs the new image, so its link names the copy.
    std::error_code error;
    EXPECT_EQ(
        std::filesystem::read_symlink("/proc/" + std::to_string(child) + "/exe", error).filename(),
        name);
    std::filesystem::remove(path);
    EXPECT_EQ(CountProcessesNamed(name), 1);
    EXPECT_EQ(CountProcessesNamed(name.substr(0, 15)), 0);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(CountProcessesNamed(name), 0);
}

} // namespace
