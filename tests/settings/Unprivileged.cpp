#include "Unprivileged.h"

#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

bool RunsAsRoot() {
    return geteuid() == 0;
}

std::optional<bool> RunUnprivileged(const std::function<bool()>& action) {
    if (!RunsAsRoot())
        return action();
    const pid_t child = fork();
    if (child < 0)
        return std::nullopt;
    if (child == 0) {
        constexpr uid_t Nobody = 65534;
        if (setgroups(0, nullptr) != 0 || setgid(Nobody) != 0 || setuid(Nobody) != 0)
            _exit(2);
        _exit(action() ? 0 : 1);
    }
    // A child that hangs (a lock some other thread held at the fork) is killed at the
    // deadline; either way it is reaped.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int status = 0;
    pid_t reaped = 0;
    while ((reaped = waitpid(child, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (reaped == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        return std::nullopt;
    }
    if (reaped != child || !WIFEXITED(status) || WEXITSTATUS(status) > 1)
        return std::nullopt;
    return WEXITSTATUS(status) == 0;
}
