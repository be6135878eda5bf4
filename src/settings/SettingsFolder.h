#pragma once

#include <string>
#include <vector>

// Where Quarrix keeps its own files (Quarrix.ini, the favorites files, the text lists'
// default folder). The rule is a plain function of facts the caller gathers, so every
// combination can be tried without touching the environment or the file system.

// What the choice of the settings folder depends on.
struct SettingsFolderFacts {
    std::string QuarrixHome;         // $QUARRIX_HOME; empty when unset
    std::string StartFolder;         // the current directory at start
    bool StartHoldsSettings = false; // something named Quarrix.ini is in the start folder
    bool StartWritable = false;      // the start folder takes new files
    bool Installed = false;          // the running executable is an installed one
    std::string XdgConfigHome;       // $XDG_CONFIG_HOME; empty when unset
    std::string Home;                // $HOME, else the account's home folder
};

enum class SettingsFolderReason {
    QuarrixHome,       // named by $QUARRIX_HOME
    StartWithSettings, // the start folder already holds Quarrix.ini
    PortableStart,     // a writable start folder of a portable copy or a build tree
    UserConfig,        // the user's configuration folder
    NoHome,            // no home folder is known: the start folder, as the last resort
};

struct SettingsFolderChoice {
    std::string Folder;
    SettingsFolderReason Reason = SettingsFolderReason::PortableStart;
    bool operator==(const SettingsFolderChoice&) const = default;
};

// The folder by these rules, in order: $QUARRIX_HOME (relative to the start folder when
// relative); the start folder when it holds Quarrix.ini; the start folder when it is
// writable and the program is not an installed one; $XDG_CONFIG_HOME/Quarrix, where an
// unset, empty or relative XDG_CONFIG_HOME means $HOME/.config.
SettingsFolderChoice ChooseSettingsFolder(const SettingsFolderFacts& facts);

// True when an executable in `exeFolder` belongs to an installed package: the folder is the
// package's program folder `installBinDir` (empty: not known), or the help file of the
// package lies at ../share/quarrix/readme.txt beside it.
bool IsInstalledExecutable(const std::string& exeFolder, const std::string& installBinDir);

// The facts as this process sees them: its environment, the start folder's contents and
// rights, and where its executable lies.
SettingsFolderFacts GatherSettingsFolderFacts(const std::string& startFolder,
                                              const std::string& exeFolder,
                                              const std::string& installBinDir);

// Makes the folder and any missing parent, each one made here readable by its owner
// only (0700); folders that exist are left as they are. True when the folder exists.
bool MakeSettingsFolder(const std::string& folder);

// The settings folder of this process, made when it is missing. When it cannot be made
// the folder is still returned: the caller names it to the user, and nothing is kept.
std::string SettingsFolderOfProcess(const std::string& startFolder, const std::string& exeFolder,
                                    const std::string& installBinDir);

// Where Help looks for readme.txt, in order: the settings folder, beside the executable,
// and the installed package's share folder next to the executable's.
std::vector<std::string> HelpFileCandidates(const std::string& settingsFolder,
                                            const std::string& exeFolder);

// The first candidate that is a regular file; empty when there is none.
std::string FindHelpFile(const std::string& settingsFolder, const std::string& exeFolder);
