#pragma once

#include "FileRead.h"

#include <string>
#include <string_view>

// The player name in the games' cstrike/config.cfg. Executable paths are the system's own
// (NativePath); an installation counts when a file exists at its executable path.

// cstrike/config.cfg in the folder of a game executable.
std::string GameConfigPath(const std::string& gamePath);

struct PlayerNameRead {
    std::string Name;       // empty when none could be read
    std::string ConfigPath; // the config.cfg looked at; empty when no game is present
    ReadStatus Status = ReadStatus::Missing;
};

// The name of the CS 1.5 installation's config.cfg when that game is present, else of the
// CS 1.6 one; empty when neither is present, the file cannot be read or has no name line.
// The file is read without waiting on it and only when it is a regular file of at most
// MaxConfigBytes.
PlayerNameRead ReadPlayerNameOfGames(const std::string& gamePath15, const std::string& gamePath16);

struct SetPlayerNameOutcome {
    enum Kind {
        Written, // every present installation's file rewritten (none present: nothing to do)
        Empty,   // the name is empty; no file touched
        Refused, // the name holds a double quote or a line break; no file touched
        Failed,  // FailedPath could not be read or replaced; files before it stay rewritten
    } What = Written;
    std::string FailedPath;
    ReadStatus FailedRead = ReadStatus::Read; // why FailedPath could not be read; Read: not written
};

// Puts the name into the name line of the config.cfg of every present installation, CS
// 1.5 first, each file replaced whole.
SetPlayerNameOutcome SetPlayerNameOfGames(std::string_view name, const std::string& gamePath15,
                                          const std::string& gamePath16);
