// A Windows program that records how it was started: its working folder, then each
// argument as CommandLineToArgvW reads its command line (the program's own name first),
// one a line in GBK, into the file named by QUARRIX_RECORD. The file appears whole.
#include <windows.h>
// After <windows.h>, whose types it uses.
#include <shellapi.h>

#include <string>

namespace {

std::string Gbk(const std::wstring& wide) {
    if (wide.empty())
        return {};
    const int size = static_cast<int>(wide.size());
    const int needed = WideCharToMultiByte(936, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(needed > 0 ? needed : 0), '\0');
    WideCharToMultiByte(936, 0, wide.data(), size, bytes.data(), needed, nullptr, nullptr);
    return bytes;
}

} // namespace

int wmain() {
    wchar_t record[32768];
    if (GetEnvironmentVariableW(L"QUARRIX_RECORD", record, 32768) == 0)
        return 2;
    wchar_t folder[32768];
    const DWORD length = GetCurrentDirectoryW(32768, folder);
    std::string text = Gbk(std::wstring(folder, length)) + "\n";
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 0; arguments && i < count; ++i)
        text += Gbk(arguments[i]) + "\n";
    LocalFree(arguments);

    const std::wstring part = std::wstring(record) + L".part";
    const HANDLE file = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 3;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return MoveFileExW(part.c_str(), record, MOVEFILE_REPLACE_EXISTING) ? 0 : 4;
}
