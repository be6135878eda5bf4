#pragma once

#include <optional>
#include <string>
#include <string_view>

// Paths of the settings are GBK byte text like every other text of the program; the file
// system here takes UTF-8 names. This is the one place that turns one into the other.
std::string NativePath(std::string_view gbkPath);

// The folder of a file's path, without a trailing separator; "." for a bare file name.
std::string FolderOf(const std::string& path);
// A folder and a name joined with the system's separator.
std::string JoinPath(const std::string& folder, std::string_view name);

// True when a regular file (or a link to one) exists at the path.
bool RegularFileExists(const std::string& path);

// The whole file; none when it cannot be opened or read.
std::optional<std::string> ReadFileBytes(const std::string& path);
