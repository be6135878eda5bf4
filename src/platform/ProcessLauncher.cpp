#include "ProcessLauncher.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

namespace {

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size())
        return false;
    return std::equal(suffix.begin(), suffix.end(), text.end() - suffix.size(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}

bool IsExecutableFile(const std::string& path) {
    return ::access(path.c_str(), X_OK) == 0;
}

// Writes the whole value or gives up; async-signal-safe, for the forked child.
void WriteErrno(int fd, int value) {
    const char* bytes = reinterpret_cast<const char*>(&value);
    size_t left = sizeof value;
    while (left > 0) {
        const ssize_t n = ::write(fd, bytes, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        bytes += n;
        left -= static_cast<size_t>(n);
    }
}

} // namespace

std::vector<std::string> SplitParameters(std::string_view parameters) {
    std::vector<std::string> pieces;
    size_t at = 0;
    while (at < parameters.size()) {
        const size_t start = parameters.find_first_not_of(" \t", at);
        if (start == std::string_view::npos)
            break;
        const size_t end = std::min(parameters.find_first_of(" \t", start), parameters.size());
        pieces.emplace_back(parameters.substr(start, end - start));
        at = end;
    }
    return pieces;
}

bool IsWindowsProgram(std::string_view file) {
    return EndsWithNoCase(file, ".exe") || EndsWithNoCase(file, ".bat") ||
           EndsWithNoCase(file, ".com");
}

std::vector<std::string> LaunchArguments(const std::string& file, const std::string& parameters,
                                         const std::string& winePath) {
    std::vector<std::string> arguments;
    if (IsExecutableFile(file)) {
        arguments.push_back(file);
    } else if (IsWindowsProgram(file) && !winePath.empty()) {
        arguments.push_back(winePath);
        arguments.push_back(file);
    } else {
        return {};
    }
    for (std::string& piece : SplitParameters(parameters))
        arguments.push_back(std::move(piece));
    return arguments;
}

std::string FindOnPath(std::string_view name) {
    const char* path = std::getenv("PATH");
    if (!path || name.empty() || name.find('/') != std::string_view::npos)
        return {};
    const std::string_view dirs(path);
    size_t at = 0;
    while (at <= dirs.size()) {
        const size_t end = std::min(dirs.find(':', at), dirs.size());
        std::string dir(dirs.substr(at, end - at));
        // An empty entry is the current directory, which a launcher must not trust.
        if (!dir.empty() && dir.front() == '/') {
            std::string candidate = dir + "/" + std::string(name);
            if (IsExecutableFile(candidate))
                return candidate;
        }
        at = end + 1;
    }
    return {};
}

bool PosixLauncher::Start(const std::string& file, const std::string& parameters,
                          const std::string& workingDirectory) {
    const std::vector<std::string> arguments = LaunchArguments(
        file, parameters, IsExecutableFile(file) ? std::string() : FindOnPath("wine"));
    if (arguments.empty())
        return false;
    // Everything the children need is made before the fork: after it only
    // async-signal-safe calls are allowed in a threaded program.
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const char* directory = workingDirectory.empty() ? nullptr : workingDirectory.c_str();

    // The grandchild reports a failed chdir or exec through this pipe; a successful exec
    // closes it unwritten.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return false;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (child == 0) {
        ::close(report[0]);
        const pid_t grandchild = ::fork();
        if (grandchild < 0) {
            WriteErrno(report[1], errno);
            ::_exit(127);
        }
        if (grandchild > 0)
            ::_exit(0); // the program is handed to init, which reaps it
        ::setsid();
        // None of our sockets or files go with the program (the fixed datagram ports
        // included), whatever flags they were opened with.
        ::syscall(SYS_close_range, 3U, ~0U, CLOSE_RANGE_CLOEXEC);
        if (directory && ::chdir(directory) != 0) {
            WriteErrno(report[1], errno);
            ::_exit(127);
        }
        ::execv(argv[0], argv.data());
        WriteErrno(report[1], errno);
        ::_exit(127);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int failure = 0;
    ssize_t got;
    do {
        got = ::read(report[0], &failure, sizeof failure);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    return got == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

ProcessLauncher& SystemLauncher() {
    static PosixLauncher launcher;
    return launcher;
}
