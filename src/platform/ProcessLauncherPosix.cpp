#include "ProcessLauncher.h"

// The Linux side of the launcher: fork and exec, no shell.

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

namespace {

bool IsExecutableFile(const std::string& path) {
    return ::access(path.c_str(), X_OK) == 0;
}

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
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

ProgramKind KindOfProgram(const std::string& file) {
    // Never blocks on a FIFO or a device: only a regular file is read.
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return ProgramKind::Other;
    struct stat info {};
    unsigned char head[4] = {};
    ssize_t got = -1;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        do {
            got = ::read(fd, head, sizeof head);
        } while (got < 0 && errno == EINTR);
    }
    ::close(fd);
    if (got >= 4 && head[0] == 0x7f && head[1] == 'E' && head[2] == 'L' && head[3] == 'F')
        return ProgramKind::Native;
    if (got >= 2 && head[0] == '#' && head[1] == '!')
        return ProgramKind::Native;
    if (got >= 2 && head[0] == 'M' && head[1] == 'Z')
        return ProgramKind::Windows;
    return ProgramKind::Other;
}

std::vector<std::string> LaunchArguments(const std::string& file, const std::string& parameters,
                                         const std::string& winePath) {
    std::vector<std::string> arguments;
    switch (KindOfProgram(file)) {
    case ProgramKind::Native:
        if (!IsExecutableFile(file))
            return {};
        arguments.push_back(file);
        break;
    case ProgramKind::Windows:
        // Wine marks what it installs executable; such a file still needs wine to run.
        if (winePath.empty())
            return {};
        arguments.push_back(winePath);
        arguments.push_back(file);
        break;
    case ProgramKind::Other:
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
    const std::vector<std::string> arguments =
        IsRegularFile(file) ? LaunchArguments(file, parameters, FindOnPath("wine"))
                            : std::vector<std::string>{};
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

bool PosixLauncher::CanStart(const std::string& file) const {
    return IsRegularFile(file) && !LaunchArguments(file, std::string(), FindOnPath("wine")).empty();
}

ProcessLauncher& SystemLauncher() {
    static PosixLauncher launcher;
    return launcher;
}
