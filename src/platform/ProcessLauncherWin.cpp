#include "ProcessLauncher.h"

#include "WinText.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>

// The Windows side of the launcher: CreateProcessW with a quoted command line, never
// cmd.exe, so a parameter can never become a command.

namespace {

// Closes the handle on every path out.
struct Handle {
    HANDLE Value;
    ~Handle() {
        if (Value != INVALID_HANDLE_VALUE)
            CloseHandle(Value);
    }
};

bool IsRegularFile(const std::wstring& path) {
    if (path.empty())
        return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

bool EndsWithExe(const std::wstring& path) {
    if (path.size() < 4)
        return false;
    const std::wstring tail = path.substr(path.size() - 4);
    return tail[0] == L'.' && (tail[1] | 0x20) == L'e' && (tail[2] | 0x20) == L'x' &&
           (tail[3] | 0x20) == L'e';
}

// The first two bytes of a regular disk file; empty for anything else. Never waits: a
// pipe or a device is refused before it is read.
std::string FirstBytes(const std::wstring& path) {
    if (!IsRegularFile(path))
        return {};
    const Handle file{CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.Value == INVALID_HANDLE_VALUE || GetFileType(file.Value) != FILE_TYPE_DISK)
        return {};
    char head[4] = {};
    DWORD got = 0;
    if (!ReadFile(file.Value, head, sizeof head, &got, nullptr))
        return {};
    return std::string(head, got);
}

bool Startable(const std::wstring& path) {
    if (!IsRegularFile(path))
        return false;
    return EndsWithExe(path) || FirstBytes(path).starts_with("MZ");
}

} // namespace

ProgramKind KindOfProgram(const std::string& file) {
    const std::optional<std::wstring> wide = WideFromGbk(file);
    const std::string head = wide ? FirstBytes(*wide) : std::string();
    if (head.starts_with("MZ"))
        return ProgramKind::Windows;
    if (head.starts_with("\x7f"
                         "ELF") ||
        head.starts_with("#!"))
        return ProgramKind::Native;
    return ProgramKind::Other;
}

std::vector<std::string> LaunchArguments(const std::string& file, const std::string& parameters,
                                         const std::string&) {
    const std::optional<std::wstring> wide = WideFromGbk(file);
    if (!wide || !Startable(*wide))
        return {};
    std::vector<std::string> arguments{file};
    for (std::string& piece : SplitParameters(parameters))
        arguments.push_back(std::move(piece));
    return arguments;
}

std::string FindOnPath(std::string_view name) {
    const wchar_t* path = _wgetenv(L"PATH");
    const std::optional<std::wstring> wideName = WideFromGbk(name);
    if (!path || !wideName || wideName->empty() ||
        wideName->find_first_of(L"\\/:") != std::wstring::npos)
        return {};
    const std::wstring_view dirs(path);
    size_t at = 0;
    while (at <= dirs.size()) {
        const size_t end = std::min(dirs.find(L';', at), dirs.size());
        std::wstring dir(dirs.substr(at, end - at));
        // Only full paths count: a relative entry would trust the current folder.
        const bool full =
            (dir.size() >= 3 && dir[1] == L':' && (dir[2] == L'\\' || dir[2] == L'/')) ||
            dir.starts_with(L"\\\\");
        if (full) {
            std::wstring candidate = dir;
            if (candidate.back() != L'\\' && candidate.back() != L'/')
                candidate += L'\\';
            candidate += *wideName;
            if (Startable(candidate))
                return GbkFromWide(candidate).value_or("");
        }
        at = end + 1;
    }
    return {};
}

bool StartWindowsProgram(const std::string& file, const std::vector<std::string>& arguments,
                         const std::string& workingDirectory) {
    const std::optional<std::wstring> program = WideFromGbk(file);
    if (!program || !Startable(*program))
        return false;
    std::vector<std::wstring> wideArguments;
    for (const std::string& argument : arguments) {
        std::optional<std::wstring> wide = WideFromGbk(argument);
        if (!wide)
            return false;
        wideArguments.push_back(std::move(*wide));
    }
    std::optional<std::wstring> folder;
    if (!workingDirectory.empty()) {
        folder = WideFromGbk(workingDirectory);
        if (!folder)
            return false;
    }
    // CreateProcessW may write into the command line, so it gets a copy of its own.
    std::wstring line = WindowsCommandLine(*program, wideArguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // The program is named exactly (no search), inherits no handle of ours (the fixed
    // datagram ports included) and lives on after us.
    if (!CreateProcessW(program->c_str(), line.data(), nullptr, nullptr, FALSE,
                        CREATE_DEFAULT_ERROR_MODE | CREATE_NEW_PROCESS_GROUP, nullptr,
                        folder ? folder->c_str() : nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

bool WindowsLauncher::Start(const std::string& file, const std::string& parameters,
                            const std::string& workingDirectory) {
    return StartWindowsProgram(file, SplitParameters(parameters), workingDirectory);
}

bool WindowsLauncher::CanStart(const std::string& file) const {
    const std::optional<std::wstring> wide = WideFromGbk(file);
    return wide && Startable(*wide);
}

ProcessLauncher& SystemLauncher() {
    static WindowsLauncher launcher;
    return launcher;
}
