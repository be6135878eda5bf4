#include "SettingsFolder.h"

#include "ScopedEnvironment.h"
#include "TempDir.h"
#include "Unprivileged.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <sys/stat.h>

namespace {

struct FolderCase {
    const char* Name;
    SettingsFolderFacts Facts;
    SettingsFolderChoice Expected;
};

void PrintTo(const FolderCase& c, std::ostream* os) {
    *os << c.Name;
}

// Facts of a start folder "/start" with a home "/home/u" and nothing else set.
SettingsFolderFacts Facts(bool holdsIni, bool writable, bool installed,
                          const std::string& xdg = {}) {
    SettingsFolderFacts facts;
    facts.StartFolder = "/start";
    facts.StartHoldsSettings = holdsIni;
    facts.StartWritable = writable;
    facts.Installed = installed;
    facts.XdgConfigHome = xdg;
    facts.Home = "/home/u";
    return facts;
}

SettingsFolderFacts With(SettingsFolderFacts facts, void (*edit)(SettingsFolderFacts&)) {
    edit(facts);
    return facts;
}

using R = SettingsFolderReason;
const SettingsFolderChoice UserConfig{"/home/u/.config/Quarrix", R::UserConfig};

class Rule : public ::testing::TestWithParam<FolderCase> {};

TEST_P(Rule, PicksTheFolderThatKeepsTheFiles) {
    EXPECT_EQ(ChooseSettingsFolder(GetParam().Facts), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    SettingsFolder, Rule,
    ::testing::Values(
        // QUARRIX_HOME wins over everything, relative to the start folder when relative.
        FolderCase{"QuarrixHomeOverAnIniInTheStartFolder",
                   With(Facts(true, true, false), [](auto& f) { f.QuarrixHome = "/q"; }),
                   {"/q", R::QuarrixHome}},
        FolderCase{"QuarrixHomeOfAnInstalledProgram",
                   With(Facts(false, false, true, "/x"), [](auto& f) { f.QuarrixHome = "/q"; }),
                   {"/q", R::QuarrixHome}},
        FolderCase{"RelativeQuarrixHome",
                   With(Facts(false, true, false), [](auto& f) { f.QuarrixHome = "mine"; }),
                   {"/start/mine", R::QuarrixHome}},
        // Settings already in the start folder stay there, writable or not, installed or not.
        FolderCase{"IniInAWritableStartFolder",
                   Facts(true, true, true, "/x"),
                   {"/start", R::StartWithSettings}},
        FolderCase{"IniInAnUnwritableStartFolder",
                   Facts(true, false, false, "/x"),
                   {"/start", R::StartWithSettings}},
        // A portable copy or a build tree starts where it always did.
        FolderCase{"PortableCopyInAWritableFolder",
                   Facts(false, true, false, "/x"),
                   {"/start", R::PortableStart}},
        // An installed program, or any in a read-only folder: the configuration folder.
        FolderCase{"InstalledStartedFromAWritableHome",
                   Facts(false, true, true, "/x"),
                   {"/x/Quarrix", R::UserConfig}},
        FolderCase{"UnwritableStartFolderXdgSet",
                   Facts(false, false, false, "/x/"),
                   {"/x/Quarrix", R::UserConfig}},
        FolderCase{"UnwritableStartFolderXdgUnset", Facts(false, false, false), UserConfig},
        FolderCase{"InstalledXdgUnset", Facts(false, true, true), UserConfig},
        FolderCase{"XdgRelativeIsIgnored", Facts(false, false, true, "rel/cfg"), UserConfig},
        FolderCase{"XdgEmptyIsUnset", Facts(false, false, false, ""), UserConfig},
        FolderCase{"NoHomeAtAllKeepsTheStartFolder",
                   With(Facts(false, false, true), [](auto& f) { f.Home.clear(); }),
                   {"/start", R::NoHome}}),
    [](const auto& info) { return std::string(info.param.Name); });

// Two folders beside each other, as a package lays out bin/ and share/quarrix/.
TEST(SettingsFolder, AnExecutableIsInstalledInTheProgramFolderOrBesideTheSharedHelp) {
    TempDir dir;
    const std::string bin = dir.File("usr/bin");
    std::filesystem::create_directories(bin);
    EXPECT_FALSE(IsInstalledExecutable(bin, ""));
    EXPECT_FALSE(IsInstalledExecutable(bin, "/usr/local/bin"));
    EXPECT_TRUE(IsInstalledExecutable(bin, bin));
    EXPECT_TRUE(IsInstalledExecutable(bin + "/", bin)) << "a trailing separator is the same folder";
    EXPECT_TRUE(IsInstalledExecutable(bin, dir.File("usr/./bin")));
    EXPECT_FALSE(IsInstalledExecutable("", ""));

    std::filesystem::create_directories(dir.File("usr/share/quarrix"));
    EXPECT_FALSE(IsInstalledExecutable(bin, "")) << "a folder is no help file";
    dir.Write("usr/share/quarrix/readme.txt", "help");
    EXPECT_TRUE(IsInstalledExecutable(bin, ""));
    EXPECT_TRUE(IsInstalledExecutable(bin, "/usr/local/bin"));
}

// The folder is made with its parents, each readable by its owner only; one that exists
// keeps its rights.
TEST(SettingsFolder, MadeWithItsParentsForItsOwnerOnly) {
    TempDir dir;
    const std::string folder = dir.File("config/deeper/Quarrix");
    const mode_t previous = ::umask(0022);
    const bool made = MakeSettingsFolder(folder);
    ::umask(previous);
    ASSERT_TRUE(made);
    for (const std::string& each :
         {dir.File("config"), dir.File("config/deeper"), dir.File("config/deeper/Quarrix")}) {
        struct stat info {};
        ASSERT_EQ(::stat(each.c_str(), &info), 0) << each;
        EXPECT_EQ(info.st_mode & 07777, 0700u) << each;
    }
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    EXPECT_TRUE(MakeSettingsFolder(folder));
    struct stat info {};
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0755u);
    dir.Write("file", "x");
    EXPECT_FALSE(MakeSettingsFolder(dir.File("file")));
    EXPECT_FALSE(MakeSettingsFolder(dir.File("file/Quarrix")));
    EXPECT_FALSE(MakeSettingsFolder(""));
}

// The whole road from the environment: an installed program (its help in ../share) started
// from a writable folder uses $XDG_CONFIG_HOME/Quarrix and makes it; QUARRIX_HOME is made
// where it names; a start folder holding Quarrix.ini keeps it.
TEST(SettingsFolder, TheProcessFolderFollowsItsEnvironment) {
    TempDir dir;
    std::filesystem::create_directories(dir.File("pkg/bin"));
    std::filesystem::create_directories(dir.File("pkg/share/quarrix"));
    dir.Write("pkg/share/quarrix/readme.txt", "help");
    std::filesystem::create_directories(dir.File("start"));
    ScopedEnvironment env;
    env.Set("QUARRIX_HOME", std::nullopt);
    env.Set("XDG_CONFIG_HOME", dir.File("xdg"));
    env.Set("HOME", dir.File("home"));

    const std::string exe = dir.File("pkg/bin");
    EXPECT_EQ(SettingsFolderOfProcess(dir.File("start"), exe, ""), dir.File("xdg/Quarrix"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("xdg/Quarrix")));
    env.Set("XDG_CONFIG_HOME", "relative");
    EXPECT_EQ(SettingsFolderOfProcess(dir.File("start"), exe, ""),
              dir.File("home/.config/Quarrix"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("home/.config/Quarrix")));
    EXPECT_EQ(SettingsFolderOfProcess(dir.File("start"), dir.File("start"), ""), dir.File("start"))
        << "a build tree starts where it always did";

    dir.Write("start/Quarrix.ini", "");
    EXPECT_EQ(SettingsFolderOfProcess(dir.File("start"), exe, ""), dir.File("start"));
    env.Set("QUARRIX_HOME", dir.File("own/中文"));
    EXPECT_EQ(SettingsFolderOfProcess(dir.File("start"), exe, ""), dir.File("own/中文"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("own/中文")));
    env.Set("QUARRIX_HOME", "");
    EXPECT_EQ(SettingsFolderOfProcess(dir.File("start"), exe, ""), dir.File("start"))
        << "an empty QUARRIX_HOME is no folder";
}

// A start folder the user cannot write holds no settings of a program that is not
// installed either; where the configuration folder cannot be made, the folder is still
// named (the window says so), and nothing is made. Needs a user file permissions apply to.
TEST(SettingsFolder, AnUnwritableStartFolderSendsTheSettingsToTheConfigurationFolder) {
    TempDir dir;
    std::filesystem::create_directories(dir.File("start"));
    std::filesystem::create_directories(dir.File("xdg"));
    ASSERT_EQ(::chmod(dir.File("start").c_str(), 0555), 0);
    ASSERT_EQ(::chmod(dir.File("xdg").c_str(), 0777), 0);
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0777), 0);
    ScopedEnvironment env;
    env.Set("QUARRIX_HOME", std::nullopt);
    env.Set("XDG_CONFIG_HOME", dir.File("xdg"));
    const std::optional<bool> chosen = RunUnprivileged([&] {
        const bool config = SettingsFolderOfProcess(dir.File("start"), dir.File("start"), "") ==
                                dir.File("xdg/Quarrix") &&
                            std::filesystem::is_directory(dir.File("xdg/Quarrix"));
        ::setenv("XDG_CONFIG_HOME", dir.File("start/cfg").c_str(), 1);
        const bool named = SettingsFolderOfProcess(dir.File("start"), dir.File("start"), "") ==
                               dir.File("start/cfg/Quarrix") &&
                           !std::filesystem::exists(dir.File("start/cfg"));
        return config && named;
    });
    ASSERT_EQ(::chmod(dir.File("start").c_str(), 0700), 0);
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0700), 0);
    ASSERT_TRUE(chosen.has_value()) << "could not run as a user without root's rights";
    EXPECT_TRUE(*chosen);
}

// Help: the user's own readme.txt in the settings folder, then the one beside the
// executable, then the installed package's.
TEST(SettingsFolder, HelpIsLookedForInTheSettingsFolderBesideTheProgramAndInShare) {
    TempDir dir;
    for (const char* folder : {"settings", "usr/bin", "usr/share/quarrix"})
        std::filesystem::create_directories(dir.File(folder));
    const std::string settings = dir.File("settings"), exe = dir.File("usr/bin");
    EXPECT_EQ(HelpFileCandidates(settings, exe),
              (std::vector<std::string>{settings + "/readme.txt", exe + "/readme.txt",
                                        dir.File("usr/share/quarrix/readme.txt")}));
    EXPECT_EQ(FindHelpFile(settings, exe), "");
    dir.Write("usr/share/quarrix/readme.txt", "shared");
    EXPECT_EQ(FindHelpFile(settings, exe), dir.File("usr/share/quarrix/readme.txt"));
    std::filesystem::create_directory(dir.File("usr/bin/readme.txt")); // a folder is no file
    EXPECT_EQ(FindHelpFile(settings, exe), dir.File("usr/share/quarrix/readme.txt"));
    dir.Write("settings/readme.txt", "own");
    EXPECT_EQ(FindHelpFile(settings, exe), settings + "/readme.txt");
}

} // namespace
