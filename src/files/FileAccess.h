#pragma once

#include "FileRead.h"

#include <cstddef>
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

// The largest file each format is read from: far above anything the program or the game
// writes, far below what would exhaust the memory (a link to /dev/zero, a runaway file).
constexpr size_t MaxConfigBytes = size_t(4) << 20;     // a game's config.cfg
constexpr size_t MaxFavoritesBytes = size_t(64) << 20; // favoriteNN.dat, a game's favsvrs.dat
constexpr size_t MaxTextListBytes = size_t(256) << 20; // a text server list

// A whole text server list; none when it is missing, not a regular file, larger than
// MaxTextListBytes or cannot be read.
std::optional<std::string> ReadFileBytes(const std::string& path);
