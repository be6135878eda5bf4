#include "Unprivileged.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

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
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) > 1)
        return std::nullopt;
    return WEXITSTATUS(status) == 0;
}
