#include "FileAccess.h"

#include "Gbk.h"

#include <sys/stat.h>

std::string NativePath(std::string_view gbkPath) {
    return GbkToUtf8(gbkPath);
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string JoinPath(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
    return path;
}

bool RegularFileExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
    FileRead read = ReadRegularFile(path, MaxTextListBytes);
    if (!read.Ok())
        return std::nullopt;
    return std::move(read.Bytes);
}
