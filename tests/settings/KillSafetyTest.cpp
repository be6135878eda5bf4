// The program killed at any moment while it writes its settings, a favorites file and
// config.cfg leaves each file either as it was or complete in its new form.
#include "KillWriterContent.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <map>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

pid_t StartWriter(const std::string& folder, unsigned firstGeneration) {
    const pid_t pid = fork();
    if (pid == 0) {
        const std::string generation = std::to_string(firstGeneration);
        execl(QUARRIX_KILLWRITER, QUARRIX_KILLWRITER, folder.c_str(), generation.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

TEST(KillSafetyTest, EveryFileIsTheOldOrTheCompleteNewOneAfterAKill) {
    TempDir dir;
    for (const KillFile file : KillFiles)
        ASSERT_TRUE(WriteKillFile(dir.Path(), file, 0));
    // How long the writer takes to start and write each file once, on this machine and
    // build: the kills fall anywhere in one and a half times that.
    const auto started = std::chrono::steady_clock::now();
    const pid_t first = StartWriter(dir.Path(), 1000);
    ASSERT_GT(first, 0);
    auto allWritten = [&] {
        for (const KillFile file : KillFiles)
            if (KillFileGeneration(dir.Read(KillFileName(file))).value_or(0) < 1000)
                return false;
        return true;
    };
    while (!allWritten() && std::chrono::steady_clock::now() - started < std::chrono::seconds(20))
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    const auto round = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - started);
    ::kill(first, SIGKILL);
    waitpid(first, nullptr, 0);
    ASSERT_TRUE(allWritten()) << "the writer wrote nothing in 20 s";

    // The generation each file held after the previous kill: a file never goes back.
    std::map<KillFile, unsigned> last;
    for (const KillFile file : KillFiles)
        last[file] = *KillFileGeneration(dir.Read(KillFileName(file)));
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int64_t> delayUs(0, round.count() * 3 / 2);
    constexpr int Kills = 200;
    int changed = 0;
    for (int kill = 2; kill <= Kills + 1; ++kill) {
        const pid_t pid = StartWriter(dir.Path(), unsigned(kill) * 1000);
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        ::kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) == 0))
            << "the writer failed on its own";
        for (const KillFile file : KillFiles) {
            const std::string bytes = dir.Read(KillFileName(file));
            const auto generation = KillFileGeneration(bytes);
            ASSERT_TRUE(generation) << KillFileName(file) << " after kill " << kill << ": "
                                    << bytes.size() << " bytes naming no generation";
            ASSERT_EQ(bytes, KillFileBytes(file, *generation))
                << KillFileName(file) << " after kill " << kill << " is no complete generation";
            ASSERT_GE(*generation, last[file]) << KillFileName(file) << " went back";
            changed += *generation != last[file];
            last[file] = *generation;
        }
    }
    // The kills fell while files were being written, not only before the first write.
    EXPECT_GT(changed, Kills / 4);
}

} // namespace
