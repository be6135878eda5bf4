#pragma once

#include <string>
#include <string_view>

// Writes the bytes to a temporary file beside `path` and renames it over `path`, so a
// reader finds either the old complete file or the new complete file. False on failure,
// with the old file untouched.
bool ReplaceFile(const std::string& path, std::string_view bytes);
