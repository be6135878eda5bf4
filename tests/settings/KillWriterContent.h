#pragma once

#include <optional>
#include <string>

// The three files the kill-safety test watches, and what generation N of each holds: the
// settings file as the settings store writes it, a favorites file and a config.cfg, each
// large enough that a write takes a while and each naming its generation as "gen N".
enum class KillFile { Settings, Favorites, Config };
constexpr KillFile KillFiles[] = {KillFile::Settings, KillFile::Favorites, KillFile::Config};

std::string KillFileName(KillFile file);
std::string KillFileBytes(KillFile file, unsigned generation);

// Writes generation N of the file into the folder the way the program writes it; false
// on failure.
bool WriteKillFile(const std::string& folder, KillFile file, unsigned generation);

// The generation a file's bytes name; none when they name none.
std::optional<unsigned> KillFileGeneration(const std::string& bytes);
