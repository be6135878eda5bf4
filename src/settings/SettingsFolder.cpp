#include "SettingsFolder.h"

#include "FileRead.h"
#include "SettingsStore.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#ifndef _WIN32
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// The account's own home folder, for a process started without HOME.
std::string AccountHome() {
#ifdef _WIN32
    return Environment("USERPROFILE");
#else
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
        !found->pw_dir)
        return {};
    return found->pw_dir;
#endif
}

bool IsAbsolute(const std::string& path) {
#ifdef _WIN32
    // "C:\...", "\\server\..." as well as "/...".
    if (!path.empty() && (path.front() == '\\' || fs::path(path).is_absolute()))
        return true;
#endif
    return !path.empty() && path.front() == '/';
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool SameFolder(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (fs::equivalent(a, b, ec))
        return true;
    return fs::path(a).lexically_normal() == fs::path(b).lexically_normal();
}

} // namespace

SettingsFolderChoice ChooseSettingsFolder(const SettingsFolderFacts& facts) {
    if (!facts.QuarrixHome.empty()) {
        const std::string folder = IsAbsolute(facts.QuarrixHome)
                                       ? facts.QuarrixHome
                                       : Join(facts.StartFolder, facts.QuarrixHome);
        return {folder, SettingsFolderReason::QuarrixHome};
    }
    // Settings that are already there win over every other place: a portable copy and a
    // user who keeps them beside the program go on as before.
    if (facts.StartHoldsSettings)
        return {facts.StartFolder, SettingsFolderReason::StartWithSettings};
    // An installed program is started from wherever the desktop likes (the home folder,
    // "/"), which is no place for its files.
    if (facts.StartWritable && !facts.Installed)
        return {facts.StartFolder, SettingsFolderReason::PortableStart};
    if (IsAbsolute(facts.XdgConfigHome))
        return {Join(facts.XdgConfigHome, "Quarrix"), SettingsFolderReason::UserConfig};
    if (!facts.Home.empty())
        return {Join(Join(facts.Home, ".config"), "Quarrix"), SettingsFolderReason::UserConfig};
    return {facts.StartFolder, SettingsFolderReason::NoHome};
}

bool IsInstalledExecutable(const std::string& exeFolder, const std::string& installBinDir) {
    if (exeFolder.empty())
        return false;
    if (!installBinDir.empty() && SameFolder(exeFolder, installBinDir))
        return true;
    std::error_code ec;
    const fs::path share = fs::path(exeFolder) / ".." / "share" / "quarrix" / "readme.txt";
    return fs::is_regular_file(share.lexically_normal(), ec);
}

SettingsFolderFacts GatherSettingsFolderFacts(const std::string& startFolder,
                                              const std::string& exeFolder,
                                              const std::string& installBinDir) {
    SettingsFolderFacts facts;
    facts.QuarrixHome = Environment("QUARRIX_HOME");
    facts.StartFolder = startFolder;
    facts.StartHoldsSettings = SettingsFileExists(SettingsPath(startFolder));
    facts.StartWritable = FolderTakesNewFiles(startFolder);
    facts.Installed = IsInstalledExecutable(exeFolder, installBinDir);
#ifdef _WIN32
    // Windows keeps each user's program settings in the roaming application data folder.
    facts.XdgConfigHome = Environment("APPDATA");
#else
    facts.XdgConfigHome = Environment("XDG_CONFIG_HOME");
#endif
    facts.Home = Environment("HOME");
    if (facts.Home.empty())
        facts.Home = AccountHome();
    return facts;
}

bool MakeSettingsFolder(const std::string& folder) {
    if (folder.empty())
        return false;
    std::error_code ec;
    if (fs::is_directory(folder, ec))
        return true;
    // Parents first; each folder made here holds one user's settings and is kept from others.
    const fs::path path = fs::path(folder).lexically_normal();
    fs::path partial;
    for (const fs::path& piece : path) {
        partial /= piece;
        if (piece.empty() || fs::is_directory(partial, ec))
            continue;
#ifdef _WIN32
        // A user's own profile folders are already kept from other users.
        if (!fs::create_directory(partial, ec) && !fs::is_directory(partial, ec))
            return false;
#else
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        // The process's umask could take the owner's own rights away.
        ::chmod(partial.c_str(), 0700);
#endif
    }
    return fs::is_directory(folder, ec);
}

std::string SettingsFolderOfProcess(const std::string& startFolder, const std::string& exeFolder,
                                    const std::string& installBinDir) {
    const SettingsFolderChoice choice =
        ChooseSettingsFolder(GatherSettingsFolderFacts(startFolder, exeFolder, installBinDir));
    MakeSettingsFolder(choice.Folder);
    return choice.Folder;
}

std::vector<std::string> HelpFileCandidates(const std::string& settingsFolder,
                                            const std::string& exeFolder) {
    std::vector<std::string> candidates;
    if (!settingsFolder.empty())
        candidates.push_back(Join(settingsFolder, "readme.txt"));
    if (!exeFolder.empty()) {
        candidates.push_back(Join(exeFolder, "readme.txt"));
        const fs::path share = fs::path(exeFolder) / ".." / "share" / "quarrix" / "readme.txt";
        candidates.push_back(share.lexically_normal().string());
    }
    return candidates;
}

std::string FindHelpFile(const std::string& settingsFolder, const std::string& exeFolder) {
    for (const std::string& candidate : HelpFileCandidates(settingsFolder, exeFolder)) {
        std::error_code ec;
        if (fs::is_regular_file(candidate, ec))
            return candidate;
    }
    return {};
}
