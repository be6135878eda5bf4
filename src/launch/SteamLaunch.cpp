#include "SteamLaunch.h"

#include "LaunchController.h"

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Steam's own app id of Counter-Strike.
constexpr std::string_view CounterStrikeAppId = "10";

bool SameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(path, ec);
}

std::string Join(const std::string& folder, std::string_view name) {
    if (folder.empty() || folder.back() == '/')
        return folder + std::string(name);
    return folder + "/" + std::string(name);
}

constexpr std::string_view LibraryGame = "steamapps/common/Half-Life";

} // namespace

std::string SteamLibraryGameFolder(const std::string& path) {
    // Older Steam wrote "SteamApps"; the game's own folder name is exact.
    size_t start = 0;
    std::vector<std::pair<size_t, size_t>> pieces; // offset and length of each component
    while (start <= path.size()) {
        const size_t end = std::min(path.find('/', start), path.size());
        pieces.emplace_back(start, end - start);
        start = end + 1;
    }
    for (size_t i = 0; i + 2 < pieces.size(); ++i) {
        const auto piece = [&](size_t n) {
            return std::string_view(path).substr(pieces[n].first, pieces[n].second);
        };
        if (SameLetters(piece(i), "steamapps") && SameLetters(piece(i + 1), "common") &&
            piece(i + 2) == "Half-Life")
            return path.substr(0, pieces[i + 2].first + pieces[i + 2].second);
    }
    return {};
}

SteamPathKind KindOfSteamPath(const std::string& path) {
    if (!SteamLibraryGameFolder(path).empty())
        return SteamPathKind::Library;
    // A folder named steam is Steam's data folder (~/.steam/steam), not the client.
    if (ProgramFileName(path) == "steam" && !IsFolder(path))
        return SteamPathKind::Client;
    return SteamPathKind::None;
}

std::string SteamClientGameFolder(const std::string& clientPath, const std::string& home) {
    // A client inside its own Steam folder (~/.local/share/Steam/ubuntu12_32/steam) has the
    // default library above it.
    for (std::string folder = ProgramFolder(clientPath); !folder.empty() && folder != "/";
         folder = ProgramFolder(folder)) {
        if (const std::string game = Join(folder, LibraryGame); IsFolder(game))
            return game;
    }
    if (home.empty())
        return {};
    for (const char* root : {".steam/steam", ".local/share/Steam", ".steam/debian-installation"}) {
        if (const std::string game = Join(Join(home, root), LibraryGame); IsFolder(game))
            return game;
    }
    return {};
}

std::string GameFilesPath(const std::string& path, const std::string& home) {
    std::string folder;
    switch (KindOfSteamPath(path)) {
    case SteamPathKind::None:
        return path;
    case SteamPathKind::Library:
        folder = SteamLibraryGameFolder(path);
        break;
    case SteamPathKind::Client:
        folder = SteamClientGameFolder(path, home);
        break;
    }
    // The game's files lie beside its own program, whatever file of the folder was named.
    return IsFolder(folder) ? Join(folder, "hl_linux") : std::string();
}

std::string UserHome() {
    const char* home = std::getenv("HOME");
    return home ? std::string(home) : std::string();
}

std::string SteamConnectUrl(const std::string& address, const std::string& password) {
    std::string url = "steam://connect/" + address;
    if (password.empty())
        return url;
    url += '/';
    static constexpr char Hex[] = "0123456789ABCDEF";
    for (const char c : password) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                           byte == '_' || byte == '~';
        if (plain) {
            url += c;
        } else {
            url += '%';
            url += Hex[byte >> 4];
            url += Hex[byte & 0x0f];
        }
    }
    return url;
}

SteamCommand SteamJoinCommand(const std::string& gamePath, const std::string& address,
                              const std::string& password,
                              const std::function<std::string(std::string_view)>& findOnPath) {
    const SteamPathKind kind = KindOfSteamPath(gamePath);
    if (kind == SteamPathKind::None)
        return {};
    const std::string gameFolder = SteamLibraryGameFolder(gamePath);
    SteamCommand command;
    command.Program = kind == SteamPathKind::Client ? gamePath : findOnPath("steam");
    if (!command.Program.empty()) {
        command.Parameters =
            "-applaunch " + std::string(CounterStrikeAppId) + " +connect " + address;
        if (!password.empty())
            command.Parameters += " +password " + password;
    } else {
        // A library without the client on PATH (a Flatpak or a Snap Steam): the desktop
        // hands the address to whatever Steam it has.
        command.Program = findOnPath("xdg-open");
        if (command.Program.empty())
            return {};
        command.Parameters = SteamConnectUrl(address, password);
    }
    command.WorkingDirectory = IsFolder(gameFolder) ? gameFolder : ProgramFolder(command.Program);
    return command;
}
