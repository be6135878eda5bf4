#pragma once

#include <optional>
#include <string>
#include <string_view>

// Windows only: the program's GBK byte text (code page 936) and the system's wide text.
// Every path and argument crosses to the system through these, never through the ANSI
// code page of the machine, which need not be GBK.

// Nothing for bytes that are not valid GBK, so a damaged path never opens another file.
std::optional<std::wstring> WideFromGbk(std::string_view gbk);
// Nothing for a character GBK cannot hold (no '?' in its place).
std::optional<std::string> GbkFromWide(std::wstring_view wide);

// Starts Winsock 2 once per process; false when it cannot be started.
bool StartWinsock();
