#include "FileReplace.h"

#include "WinText.h"

#include <windows.h>
// <windows.h> names its own ReplaceFile with a macro; ours is meant here.
#undef ReplaceFile

#include <algorithm>
#include <atomic>

// The Windows side of the atomic replace: a flushed temporary beside the target, moved
// over it in one step that reaches the disk before it returns.

namespace {

// Creates a new, unused file beside the target; INVALID_HANDLE_VALUE when the folder takes
// no new file.
HANDLE CreateTemporary(const std::wstring& path, std::wstring& tempPath) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = path + L".tmp" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                   std::to_wstring(counter++);
        const HANDLE file = CreateFileW(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
            return file;
    }
    return INVALID_HANDLE_VALUE;
}

bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

} // namespace

bool ReplaceFile(const std::string& path, std::string_view bytes) {
    const std::optional<std::wstring> wide = WideFromGbk(path);
    if (!wide || wide->empty())
        return false;
    std::wstring tempPath;
    const HANDLE file = CreateTemporary(*wide, tempPath);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = WriteAll(file, bytes) && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    ok = ok && MoveFileExW(tempPath.c_str(), wide->c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) {
        DeleteFileW(tempPath.c_str());
        return false;
    }
    return true;
}
