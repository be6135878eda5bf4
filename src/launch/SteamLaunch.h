#pragma once

#include <functional>
#include <string>
#include <string_view>

// Counter-Strike 1.6 of today is a Steam game: a CS 1.6 game path may name the Steam client
// or a file (or the folder) of the game in a Steam library. Paths here are the system's own.

enum class SteamPathKind {
    None,    // an ordinary game executable, started itself
    Client,  // the Steam client: a file named "steam"
    Library, // inside a Steam library's game folder, .../steamapps/common/Half-Life
};

SteamPathKind KindOfSteamPath(const std::string& path);

// The game's folder of a library path: the path up to and including Half-Life; empty for a
// path that is not inside a Steam library.
std::string SteamLibraryGameFolder(const std::string& path);

// The game's folder for a Steam client at `clientPath`: Half-Life in the library of the
// Steam folder the client lies in, else in the user's default libraries under `home`.
// Empty when no such folder exists.
std::string SteamClientGameFolder(const std::string& clientPath, const std::string& home);

// The path whose folder holds the game's own files (favsvrs.dat, cstrike/config.cfg): the
// path itself for an ordinary game, the game's hl_linux for a Steam path (empty when the
// game's folder is not there).
std::string GameFilesPath(const std::string& path, const std::string& home);

// The user's home folder as this process's environment names it; empty when unset.
std::string UserHome();

// What a join through Steam starts; Program is empty when nothing on PATH can start it.
struct SteamCommand {
    std::string Program;          // the full path of the program started
    std::string Parameters;       // its argument text, split at blanks
    std::string WorkingDirectory; // the game's folder when known, else the program's
    bool operator==(const SteamCommand&) const = default;
};

// "steam://connect/" + address (IP:port) and, for a password, "/" and the password with
// every byte outside letters, digits and "-._~" written as %XX.
std::string SteamConnectUrl(const std::string& address, const std::string& password);

// The Steam client given (or else "steam" found on PATH) with "-applaunch 10 +connect
// <address>" and " +password <password>" for a password; for a library path without a
// steam on PATH, xdg-open with the steam:// connect address. `findOnPath` looks a program
// name up on PATH.
SteamCommand SteamJoinCommand(const std::string& gamePath, const std::string& address,
                              const std::string& password,
                              const std::function<std::string(std::string_view)>& findOnPath);
