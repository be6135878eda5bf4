#include "WinText.h"

// Winsock 2 before <windows.h>.
#include <winsock2.h>

#include <windows.h>

#include <climits>
#include <mutex>

namespace {

constexpr UINT Gbk = 936;

} // namespace

std::optional<std::wstring> WideFromGbk(std::string_view gbk) {
    if (gbk.empty())
        return std::wstring();
    if (gbk.size() > INT_MAX)
        return std::nullopt;
    const int length = static_cast<int>(gbk.size());
    const int needed =
        MultiByteToWideChar(Gbk, MB_ERR_INVALID_CHARS, gbk.data(), length, nullptr, 0);
    if (needed <= 0)
        return std::nullopt;
    std::wstring wide(static_cast<size_t>(needed), L'\0');
    if (MultiByteToWideChar(Gbk, MB_ERR_INVALID_CHARS, gbk.data(), length, wide.data(), needed) !=
        needed)
        return std::nullopt;
    return wide;
}

std::optional<std::string> GbkFromWide(std::wstring_view wide) {
    if (wide.empty())
        return std::string();
    if (wide.size() > INT_MAX)
        return std::nullopt;
    const int length = static_cast<int>(wide.size());
    BOOL lossy = FALSE;
    const int needed = WideCharToMultiByte(Gbk, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr,
                                           0, nullptr, &lossy);
    if (needed <= 0 || lossy)
        return std::nullopt;
    std::string gbk(static_cast<size_t>(needed), '\0');
    if (WideCharToMultiByte(Gbk, WC_NO_BEST_FIT_CHARS, wide.data(), length, gbk.data(), needed,
                            nullptr, &lossy) != needed ||
        lossy)
        return std::nullopt;
    return gbk;
}

bool StartWinsock() {
    // Started once and never cleaned up: sockets live until the process ends.
    static const bool started = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}
