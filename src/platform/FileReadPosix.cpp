#include "FileRead.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

ReadStatus OpenFailure(int error) {
    return error == ENOENT || error == ENOTDIR ? ReadStatus::Missing : ReadStatus::Unreadable;
}

// Closes the descriptor on every path out of the read.
struct Descriptor {
    int Fd;
    ~Descriptor() {
        if (Fd >= 0)
            close(Fd);
    }
};

} // namespace

FileRead ReadRegularFile(const std::string& path, size_t limit) {
    FileRead result;
    if (path.empty())
        return result;
    // O_NONBLOCK: opening a pipe for reading would otherwise wait for a writer for ever.
    const Descriptor file{open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
    if (file.Fd < 0) {
        result.Status = OpenFailure(errno);
        return result;
    }
    struct stat info {};
    if (fstat(file.Fd, &info) != 0) {
        result.Status = ReadStatus::Unreadable;
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.Status = ReadStatus::NotRegular;
        return result;
    }
    if (info.st_size < 0 || static_cast<unsigned long long>(info.st_size) > limit) {
        result.Status = ReadStatus::TooBig;
        return result;
    }
    // The size is only a hint (a file growing meanwhile, files of /proc): read until the end
    // but never past the limit.
    std::string bytes;
    bytes.reserve(static_cast<size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(file.Fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            result.Status = ReadStatus::Unreadable;
            return result;
        }
        if (n == 0)
            break;
        if (bytes.size() + static_cast<size_t>(n) > limit) {
            result.Status = ReadStatus::TooBig;
            return result;
        }
        bytes.append(buffer, static_cast<size_t>(n));
    }
    result.Status = ReadStatus::Read;
    result.Bytes = std::move(bytes);
    return result;
}

bool FolderTakesNewFiles(const std::string& folder) {
    struct stat info {};
    const std::string path = folder.empty() ? std::string(".") : folder;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           faccessat(AT_FDCWD, path.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}
