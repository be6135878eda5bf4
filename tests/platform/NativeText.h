#pragma once

#include <string>

// A UTF-8 text of the test's source as the platform layer takes names on this system:
// GBK on Windows, UTF-8 on Linux.
std::string NativeText(const std::string& utf8);
