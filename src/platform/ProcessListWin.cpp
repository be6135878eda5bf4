#include "ProcessList.h"

#include "WinText.h"

#include <windows.h>
// After <windows.h>, whose types it uses.
#include <tlhelp32.h>

// The Windows side of the process list: a Toolhelp snapshot, each executable name turned
// into GBK and compared byte for byte, as the Linux side compares its names.

namespace {

// Calls `visit` with the GBK executable name of every running process; false when the
// list cannot be read. A name GBK cannot hold matches no name of ours and is skipped.
template <typename Visit> bool ForEachProcessName(Visit visit) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        const std::wstring_view path(entry.szExeFile);
        // The name is a file name on Windows; strip a folder should one be there.
        const size_t cut = path.find_last_of(L"\\/");
        const std::optional<std::string> name =
            GbkFromWide(cut == std::wstring_view::npos ? path : path.substr(cut + 1));
        if (name && visit(*name))
            break;
    }
    CloseHandle(snapshot);
    return true;
}

} // namespace

bool AnyProcessNamed(const std::string& exeName) {
    if (exeName.empty())
        return false;
    bool found = false;
    ForEachProcessName([&](const std::string& name) { return found = name == exeName; });
    return found;
}

int CountProcessesNamed(const std::string& exeName) {
    if (exeName.empty())
        return 0;
    int count = 0;
    ForEachProcessName([&](const std::string& name) {
        count += name == exeName ? 1 : 0;
        return false;
    });
    return count;
}

std::string OwnExecutableName() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= 32768)
            return {};
        path.resize(path.size() * 2);
    }
    const size_t cut = path.find_last_of(L"\\/");
    return GbkFromWide(cut == std::wstring::npos ? path : path.substr(cut + 1)).value_or("");
}
