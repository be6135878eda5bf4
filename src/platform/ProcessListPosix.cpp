#include "ProcessList.h"

#include <cctype>
#include <dirent.h>
#include <fstream>
#include <memory>
#include <unistd.h>

// The Linux side of the process list, over /proc.

namespace {

constexpr std::string_view DeletedSuffix = " (deleted)";

std::string BaseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Target of a symbolic link, or empty when it cannot be read.
std::string ReadLink(const std::string& path) {
    std::string target(4096, '\0');
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    if (length <= 0 || static_cast<size_t>(length) >= target.size()) {
        return {};
    }
    target.resize(static_cast<size_t>(length));
    // A replaced or removed executable still runs under its old name.
    if (target.size() > DeletedSuffix.size() && target.ends_with(DeletedSuffix)) {
        target.resize(target.size() - DeletedSuffix.size());
    }
    return target;
}

bool IsProcessId(const char* name) {
    if (*name == '\0') {
        return false;
    }
    for (; *name != '\0'; ++name) {
        if (!std::isdigit(static_cast<unsigned char>(*name))) {
            return false;
        }
    }
    return true;
}

// The executable file name of one process: from its exe link, or from its command
// name when the link is not readable (another user's process, a kernel thread).
std::string ExecutableNameOf(const std::string& processDir) {
    const std::string target = ReadLink(processDir + "/exe");
    if (!target.empty()) {
        return BaseName(target);
    }
    std::ifstream comm(processDir + "/comm", std::ios::binary);
    std::string name;
    std::getline(comm, name);
    return name;
}

// Wine's loader runs every Windows program; the program's own path is its first argument
// ("C:\\Games\\hl.exe" or a Unix path), whose last component is the Windows file name.
bool IsWineLoader(const std::string& exeName) {
    return exeName.starts_with("wine");
}

std::string WindowsProgramNameOf(const std::string& processDir) {
    std::ifstream cmdline(processDir + "/cmdline", std::ios::binary);
    std::string first;
    std::getline(cmdline, first, '\0');
    const size_t cut = first.find_last_of("\\/");
    return cut == std::string::npos ? first : first.substr(cut + 1);
}

} // namespace

bool AnyProcessNamed(const std::string& exeName) {
    if (exeName.empty()) {
        return false;
    }
    const std::unique_ptr<DIR, int (*)(DIR*)> proc(::opendir("/proc"), &::closedir);
    if (!proc) {
        return false;
    }
    while (const dirent* entry = ::readdir(proc.get())) {
        if (!IsProcessId(entry->d_name)) {
            continue;
        }
        const std::string dir = std::string("/proc/") + entry->d_name;
        const std::string name = ExecutableNameOf(dir);
        if (name == exeName || (IsWineLoader(name) && WindowsProgramNameOf(dir) == exeName)) {
            return true;
        }
    }
    return false;
}

int CountProcessesNamed(const std::string& exeName) {
    if (exeName.empty()) {
        return 0;
    }
    const std::unique_ptr<DIR, int (*)(DIR*)> proc(::opendir("/proc"), &::closedir);
    if (!proc) {
        return 0;
    }
    int count = 0;
    while (const dirent* entry = ::readdir(proc.get())) {
        if (!IsProcessId(entry->d_name)) {
            continue;
        }
        // A process that ended meanwhile yields an empty name, which never matches.
        if (ExecutableNameOf(std::string("/proc/") + entry->d_name) == exeName) {
            ++count;
        }
    }
    return count;
}

std::string OwnExecutableName() {
    return ExecutableNameOf("/proc/self");
}
