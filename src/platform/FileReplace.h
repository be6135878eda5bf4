#pragma once

#include <string>
#include <string_view>

// Writes the bytes to a temporary file beside `path`, flushes them to the disk and renames
// the temporary over `path`, so a reader (or a restart after a crash) finds either the old
// complete file or the new complete file. False on failure, with the old file untouched
// and the temporary removed.
bool ReplaceFile(const std::string& path, std::string_view bytes);
