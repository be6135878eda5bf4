#include "FileRead.h"

#include "WinText.h"

#include <windows.h>

#include <atomic>

// The Windows side of the bounded file read: wide paths from GBK, CreateFileW, and a look
// at what the handle is before any byte is read.

namespace {

ReadStatus OpenFailure(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                   error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH
               ? ReadStatus::Missing
               : ReadStatus::Unreadable;
}

// Closes the handle on every path out of the read.
struct Handle {
    HANDLE Value;
    ~Handle() {
        if (Value != INVALID_HANDLE_VALUE)
            CloseHandle(Value);
    }
};

} // namespace

FileRead ReadRegularFile(const std::string& path, size_t limit) {
    FileRead result;
    if (path.empty())
        return result;
    const std::optional<std::wstring> wide = WideFromGbk(path);
    if (!wide) {
        result.Status = ReadStatus::Unreadable;
        return result;
    }
    // A folder opens only with backup semantics; it is told apart before the open, which
    // would otherwise call it unreadable.
    const DWORD attributes = GetFileAttributesW(wide->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        // A device name ("CON", "NUL") has no attributes on some systems: the open tells.
        if (error != ERROR_INVALID_PARAMETER && error != ERROR_ACCESS_DENIED) {
            result.Status = OpenFailure(error);
            return result;
        }
    } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        result.Status = ReadStatus::NotRegular;
        return result;
    }
    // Others may go on reading, writing and renaming the file meanwhile, as on Linux.
    const Handle file{CreateFileW(wide->c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.Value == INVALID_HANDLE_VALUE) {
        result.Status = OpenFailure(GetLastError());
        return result;
    }
    // A pipe, a console or a device would make ReadFile wait or never end.
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(file.Value) != FILE_TYPE_DISK ||
        !GetFileInformationByHandle(file.Value, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        result.Status = ReadStatus::NotRegular;
        return result;
    }
    const unsigned long long size =
        (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (size > limit) {
        result.Status = ReadStatus::TooBig;
        return result;
    }
    // The size is only a hint (a file growing meanwhile): read until the end but never
    // past the limit.
    std::string bytes;
    bytes.reserve(static_cast<size_t>(size));
    char buffer[65536];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(file.Value, buffer, sizeof buffer, &n, nullptr)) {
            result.Status = ReadStatus::Unreadable;
            return result;
        }
        if (n == 0)
            break;
        if (bytes.size() + n > limit) {
            result.Status = ReadStatus::TooBig;
            return result;
        }
        bytes.append(buffer, n);
    }
    result.Status = ReadStatus::Read;
    result.Bytes = std::move(bytes);
    return result;
}

bool FolderTakesNewFiles(const std::string& folder) {
    const std::optional<std::wstring> wide =
        WideFromGbk(folder.empty() ? std::string(".") : folder);
    if (!wide)
        return false;
    const DWORD attributes = GetFileAttributesW(wide->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return false;
    // Access lists decide on Windows, not a mode to read: a file the folder takes is the
    // only sure answer. It goes with its handle.
    static std::atomic<unsigned> counter{0};
    const std::wstring probe = *wide + L"\\.quarrix-probe-" +
                               std::to_wstring(GetCurrentProcessId()) + L"-" +
                               std::to_wstring(counter++) + L".tmp";
    const HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}
