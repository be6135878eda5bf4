#include "FileReplace.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Creates a new, unused file beside the target; -1 when the folder takes no new file.
int CreateTemporary(const std::string& path, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = path + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        const int fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(size_t(n));
    }
    return true;
}

// The one step that differs per system: put the finished file in place of the target in a
// single move (rename here; MoveFileEx with MOVEFILE_REPLACE_EXISTING on Windows).
bool MoveIntoPlace(const std::string& tempPath, const std::string& path) {
    return rename(tempPath.c_str(), path.c_str()) == 0;
}

// Makes the rename itself survive a power loss; failing here loses nothing already done.
void SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    fsync(fd);
    close(fd);
}

} // namespace

bool ReplaceFile(const std::string& path, std::string_view bytes) {
    std::string tempPath;
    const int fd = CreateTemporary(path, tempPath);
    if (fd < 0)
        return false;

    // The new file keeps the old one's permissions rather than the temporary's.
    struct stat old {};
    if (stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        fchmod(fd, old.st_mode & 07777);

    bool ok = WriteAll(fd, bytes) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && MoveIntoPlace(tempPath, path);
    if (!ok) {
        unlink(tempPath.c_str());
        return false;
    }
    SyncFolder(FolderOf(path));
    return true;
}
