#include "SettingsStore.h"
#include "IniFile.h"
#include "PipeRescue.h"
#include "TempDir.h"
#include "Unprivileged.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

// Readable failures: every control's value.
void PrintTo(const OptionValues& o, std::ostream* os) {
    *os << "{" << o.PathCS15 << "|" << o.PathCS16 << "|" << o.PathCD << "|" << o.PathOther << "|"
        << o.Parameter15 << "|" << o.Parameter16 << "| boxes ";
    for (int n = 1; n <= 15; ++n)
        *os << o.CheckBox[n];
    *os << " | " << o.Interval << " | " << o.Margin << "}";
}

namespace {

// Raw literals hold the expected files; the program writes CR LF.
std::string Crlf(std::string_view lf) {
    std::string out;
    for (const char c : lf) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

// The text of one section, header included, up to the next header.
std::string SectionText(const std::string& text, const std::string& section) {
    const size_t begin = text.find("[" + section + "]");
    if (begin == std::string::npos)
        return {};
    const size_t end = text.find('[', begin + 1);
    return text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

const std::string FreshFile = Crlf(R"([SearchRange]
FromIP=
ToIP=
[SearchPorts]
Port0=
Port1=
Port2=
Port3=
Port4=
Port5=
Port6=
Port7=
Port8=
Port9=
Port10=
Port11=
Port12=
Port13=
Port14=
Port15=
Port16=
Port17=
Port18=
Port19=
Port20=
Port21=
Port22=
Port23=
Port24=
Port25=
Port26=
Port27=
Port28=
Port29=
Port30=
Port31=
[ModulePath]
PathCS1.5=
PathCS1.6=
PathCD=
PathOther=
Parameter1.5=-console -game cstrike
Parameter1.6=-game cstrike
[RunSettings]
RunCD=1
RunOther=0
PauseSearching=1
StopRefreshing=1
Minimize=1
[AutoActions]
Interval=1
Margin=0
Confirm=1
[Result]
Filter1=1
Filter2=1
Filter3=1
[Favorite]
Synchronize=1
Filter1=1
Filter2=1
Filter3=1
[WindowStates]
MainOnTop=0
RemWindowStates=0
Panel_ServerInfoVisible=1
GroupBox_FavoriteVisible=1
MainPosX=101
MainPosY=125
MainWidth=895
MainHeight=602
Panel_ServerInfoWidth=219
GroupBox_FavoriteHeight=289
)");

OptionValues Defaults() {
    OptionValues options;
    ResetOptionValues(options);
    return options;
}

class SettingsStoreTest : public testing::Test {
protected:
    TempDir Dir;
    std::string Path = SettingsPath(Dir.Path());
};

TEST_F(SettingsStoreTest, FirstRunCreatesTheFileWithEveryKeyInFileOrder) {
    ASSERT_FALSE(SettingsFileExists(Path));

    ASSERT_TRUE(WriteSettings(Path, Defaults(), MainWindowValues{}));

    EXPECT_TRUE(SettingsFileExists(Path));
    EXPECT_EQ(Dir.Read("Quarrix.ini"), FreshFile);
    const IniStructureType ini = ReadSettings(Path);
    EXPECT_EQ(ini[SlotConfirm], "1");
    EXPECT_EQ(ini[SlotParameter15], "-console -game cstrike");
    EXPECT_EQ(ini[SlotMainHeight], "602");
    EXPECT_EQ(ini.Ports[31], "");
    EXPECT_EQ(OptionsFromIni(ini), Defaults());
}

TEST_F(SettingsStoreTest, SaveIntoAHandEditedFileChangesOnlyValuesAndAddsMissingKeys) {
    std::string hand = "; kept by hand\n" + FreshFile + "[Extra]\nUnknown = \xD3\xCE";
    hand.replace(hand.find("FromIP=\r\n"), 9, "fromip = 10.0.0.1\n");
    hand.replace(hand.find("[RunSettings]\r\nRunCD=1\r\n"), 24,
                 "[runsettings]\n; start Cheating-Death first\nRUNCD=0\n");
    hand.erase(hand.find("Confirm=1\r\n"), 11);
    std::string want = hand;
    want.replace(want.find("fromip = 10.0.0.1\n"), 18, "fromip = 10.0.0.9\n");
    want.replace(want.find("RUNCD=0\n"), 8, "RUNCD=1\n");
    want.insert(want.find("Margin=0\r\n") + 10, "Confirm=1\r\n");
    Dir.Write("Quarrix.ini", hand);
    MainWindowValues window;
    window.FromIP = "10.0.0.9";

    ASSERT_TRUE(WriteSettings(Path, Defaults(), window));

    EXPECT_EQ(Dir.Read("Quarrix.ini"), want);
}

TEST_F(SettingsStoreTest, ReadingAppliesLengthCapsAndFallbacks) {
    std::string longPath;
    for (int i = 0; i < 300; ++i)
        longPath += char('0' + i % 10);
    Dir.Write("Quarrix.ini", "[ModulePath]\nPathCS1.5=" + longPath +
                                 "\nParameter1.6=   \n"
                                 "[RunSettings]\nRunCD=\nRunOther=\n"
                                 "[AutoActions]\nInterval=1000\nMargin=12345\n"
                                 "[WindowStates]\nMainPosX=-12345678\n"
                                 "[SearchRange]\nFromIP=192.168.100.200:27015\n"
                                 "[SearchPorts]\nPort0=27015\nPort3=\nPort4=123456789\n");

    const IniStructureType ini = ReadSettings(Path);

    const struct {
        SettingsSlot Slot;
        std::string Expected;
    } cases[] = {
        {SlotPathCS15, longPath.substr(0, 255)},
        {SlotParameter15, ""}, // missing: the game starts without parameters
        {SlotParameter16, ""},
        {SlotRunCD, "1"},
        {SlotRunOther, "0"},
        {SlotInterval, "100"},
        {SlotMargin, "123"},
        {SlotConfirm, "0"}, // missing: no confirmation, although the default asks
        {SlotPanelServerInfoVisible, "1"},
        {SlotMainPosX, "-123456"},
        {SlotMainPosY, ""},
        {SlotFromIP, "192.168.100.200"},
        {SlotResultFilter3, "1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini[c.Slot], c.Expected) << "slot " << c.Slot;
    EXPECT_EQ(ini.Ports[0], "27015");
    EXPECT_EQ(ini.Ports[3], "");
    EXPECT_EQ(ini.Ports[4], "1234567");
    EXPECT_EQ(ini.Ports[5], "");
}

TEST_F(SettingsStoreTest, MissingFileReadsAsEveryFallback) {
    const IniStructureType ini = ReadSettings(Path);
    EXPECT_EQ(ini[SlotRunCD], "1");
    EXPECT_EQ(ini[SlotConfirm], "0");
    EXPECT_EQ(ini[SlotGroupBoxFavoriteVisible], "1");
    EXPECT_EQ(ini[SlotInterval], "1");
    EXPECT_EQ(ini[SlotParameter15], "");
    EXPECT_FALSE(SettingsFileExists(Path));
}

// A settings file that exists but cannot be read: a directory of that name, or a file
// without read permission. The latter needs a user that file permissions apply to: the
// test runs as an ordinary user, or as root that can switch to user "nobody".
TEST_F(SettingsStoreTest, UnreadableFileReadsAsEveryFallbackAndIsNotReplaced) {
    const IniStructureType fallbacks = ReadSettingsFrom(IniFile());
    std::filesystem::create_directory(Path);
    const IniStructureType fromDirectory = ReadSettings(Path);
    EXPECT_EQ(fromDirectory.Slots, fallbacks.Slots);
    EXPECT_EQ(fromDirectory.Ports, fallbacks.Ports);
    EXPECT_FALSE(WriteSettings(Path, Defaults(), {}));
    EXPECT_TRUE(std::filesystem::is_directory(Path));
    std::filesystem::remove(Path);

    Dir.Write("Quarrix.ini", "[RunSettings]\r\nRunCD=0\r\n[AutoActions]\r\nConfirm=1\r\n");
    ASSERT_EQ(chmod(Path.c_str(), 0), 0);
    ASSERT_EQ(chmod(Dir.Path().c_str(), 0777), 0);
    const std::optional<bool> readAsFallbacks = RunUnprivileged([&] {
        const IniStructureType ini = ReadSettings(Path);
        return ini.Slots == fallbacks.Slots && ini.Ports == fallbacks.Ports;
    });
    ASSERT_EQ(chmod(Path.c_str(), 0644), 0);
    ASSERT_EQ(chmod(Dir.Path().c_str(), 0700), 0);
    ASSERT_TRUE(readAsFallbacks.has_value()) << "could not run as a user without root's rights";
    EXPECT_TRUE(*readAsFallbacks);
}

// A pipe or a link to a device where the settings file should be: read at once as every
// fallback, named as no regular file, and never replaced.
TEST_F(SettingsStoreTest, APipeOrADeviceIsReadAsFallbacksWithoutWaitingAndLeftInPlace) {
    const IniStructureType fallbacks = ReadSettingsFrom(IniFile());
    for (const bool pipe : {true, false}) {
        std::filesystem::remove(Path);
        if (pipe)
            ASSERT_TRUE(MakePipe(Path));
        else
            std::filesystem::create_symlink("/dev/zero", Path);
        PipeRescue rescue(Path);
        ReadStatus status = ReadStatus::Read;
        const IniStructureType ini = ReadSettings(Path, &status);
        EXPECT_EQ(status, ReadStatus::NotRegular) << pipe;
        EXPECT_EQ(ini.Slots, fallbacks.Slots) << pipe;
        EXPECT_FALSE(WriteSettings(Path, Defaults(), {})) << pipe;
        EXPECT_EQ(rescue.Rescues(), 0) << "waited on the pipe";
        const auto type = std::filesystem::symlink_status(Path).type();
        EXPECT_EQ(type,
                  pipe ? std::filesystem::file_type::fifo : std::filesystem::file_type::symlink);
    }
}

// A settings file far larger than any the program writes is not read into memory whole.
TEST_F(SettingsStoreTest, AFileLargerThanTheLimitReadsAsFallbacksAndIsNotReplaced) {
    Dir.Write("Quarrix.ini", "[RunSettings]\r\nRunCD=0\r\n" + std::string(MaxSettingsBytes, ';'));
    ReadStatus status = ReadStatus::Read;
    EXPECT_EQ(ReadSettings(Path, &status)[SlotRunCD], "1");
    EXPECT_EQ(status, ReadStatus::TooBig);
    EXPECT_FALSE(WriteSettings(Path, Defaults(), {}));
    EXPECT_EQ(std::filesystem::file_size(Path), MaxSettingsBytes + 24);
}

TEST_F(SettingsStoreTest, ShrunkPortListEmptiesTheKeysLeftBehind) {
    MainWindowValues window;
    window.Ports = {27015, 27016, 27017, 27018, 27019, 27020, 27021, 27022, 27023, 27024};
    ASSERT_TRUE(WriteSettings(Path, Defaults(), window));
    window.Ports = {27015, 27016, 27017, 27018, 27019};
    ASSERT_TRUE(WriteSettings(Path, Defaults(), window));

    std::string expected = "[SearchPorts]\r\nPort0=27015\r\nPort1=27016\r\nPort2=27017\r\n"
                           "Port3=27018\r\nPort4=27019\r\n";
    for (int i = 5; i < 32; ++i)
        expected += "Port" + std::to_string(i) + "=\r\n";
    EXPECT_EQ(SectionText(Dir.Read("Quarrix.ini"), "SearchPorts"), expected);
    EXPECT_EQ(ReadSettings(Path).Ports[4], "27019");
    EXPECT_EQ(ReadSettings(Path).Ports[5], "");
}

TEST_F(SettingsStoreTest, FortyPortsAreAllWrittenButOnlyThirtyTwoReadBack) {
    MainWindowValues window;
    for (int i = 0; i < 40; ++i)
        window.Ports.push_back(27000 + i);
    ASSERT_TRUE(WriteSettings(Path, Defaults(), window));

    std::string expected = "[SearchPorts]\r\n";
    for (int i = 0; i < 40; ++i)
        expected += "Port" + std::to_string(i) + "=" + std::to_string(27000 + i) + "\r\n";
    EXPECT_EQ(SectionText(Dir.Read("Quarrix.ini"), "SearchPorts"), expected);
    const IniStructureType ini = ReadSettings(Path);
    EXPECT_EQ(ini.Ports.size(), 32u);
    EXPECT_EQ(ini.Ports[31], "27031");

    // A later short list empties only the keys that are ever read.
    window.Ports = {27015};
    ASSERT_TRUE(WriteSettings(Path, Defaults(), window));
    const std::string ports = SectionText(Dir.Read("Quarrix.ini"), "SearchPorts");
    EXPECT_NE(ports.find("Port31=\r\nPort32=27032\r\n"), std::string::npos);
}

TEST_F(SettingsStoreTest, SavedValuesReadBackAsTheSameControlsAndWindow) {
    OptionValues options;
    options.PathCS15 = "C:\\CS15\\hl.exe";
    options.PathCS16 = "D:\\\xD3\xCE\xCF\xB7\\hl.exe";
    options.PathCD = "C:\\CD\\cd.exe";
    options.PathOther = "C:\\Tool\\tool.bat";
    options.Parameter15 = "-console";
    options.Parameter16 = "";
    for (int n = 1; n <= 15; ++n)
        options.CheckBox[n] = n % 3 != 0;
    options.Interval = "42";
    options.Margin = "3";
    MainWindowValues window;
    window.FromIP = "127.0.0.1";
    window.ToIP = "127.0.0.254";
    window.Ports = {27015};
    window.Left = -8;
    window.Top = -1200;
    window.ServerInfoVisible = false;

    ASSERT_TRUE(WriteSettings(Path, options, window));
    const IniStructureType ini = ReadSettings(Path);

    EXPECT_EQ(OptionsFromIni(ini), options);
    EXPECT_EQ(ini[SlotMainPosX], "-8");
    EXPECT_EQ(ini[SlotMainPosY], "-1200");
    EXPECT_EQ(ini[SlotPanelServerInfoVisible], "0");
    EXPECT_EQ(ini[SlotGroupBoxFavoriteVisible], "1");
    EXPECT_EQ(ini[SlotFromIP], "127.0.0.1");
    EXPECT_EQ(ini[SlotToIP], "127.0.0.254");
    EXPECT_EQ(ini.Ports[0], "27015");
    EXPECT_EQ(ini[SlotParameter16], ""); // written empty, read back as its fallback
}

TEST_F(SettingsStoreTest, FailedSaveReportsFalseAndKeepsTheFile) {
    EXPECT_FALSE(WriteSettings(Dir.File("absent/Quarrix.ini"), Defaults(), {}));

    // A file that exists but cannot be read is not replaced by one without its contents.
    Dir.Write("Quarrix.ini", "[Extra]\r\nkeep=1\r\n");
    ASSERT_EQ(chmod(Path.c_str(), 0), 0);
    ASSERT_EQ(chmod(Dir.Path().c_str(), 0777), 0);
    const std::optional<bool> saved =
        RunUnprivileged([&] { return WriteSettings(Path, Defaults(), {}); });
    ASSERT_EQ(chmod(Path.c_str(), 0644), 0);
    ASSERT_EQ(chmod(Dir.Path().c_str(), 0700), 0);
    ASSERT_TRUE(saved.has_value());
    EXPECT_FALSE(*saved);
    EXPECT_EQ(Dir.Read("Quarrix.ini"), "[Extra]\r\nkeep=1\r\n");
}

TEST(SettingsPathTest, AppendsTheFileNameToTheStartDirectory) {
    EXPECT_EQ(SettingsPath("/home/u/quarrix"), "/home/u/quarrix/Quarrix.ini");
    EXPECT_EQ(SettingsPath("/home/u/quarrix/"), "/home/u/quarrix/Quarrix.ini");
}

// Every control set to the opposite of its default, so each reset shows.
OptionValues Opposite() {
    OptionValues options = Defaults();
    options.PathCS15 = options.PathCS16 = options.PathCD = options.PathOther = "kept";
    options.Parameter15 = options.Parameter16 = "edited";
    for (int n = 1; n <= 15; ++n)
        options.CheckBox[n] = !options.CheckBox[n];
    options.Interval = "7";
    options.Margin = "4";
    return options;
}

struct PageCase {
    int Page;
    std::vector<int> Boxes; // check boxes the page resets
    bool Parameters, AutoValues;
};

TEST(SettingsDefaultsTest, EachPageResetsExactlyItsOwnControls) {
    const std::vector<PageCase> pages = {
        {0, {}, true, false},
        {1, {1, 2, 3, 4, 7}, false, false},
        {2, {15}, false, true},
        {3, {12, 13, 14}, false, false},
        {4, {8, 9, 10, 11}, false, false},
        {5, {5, 6}, false, false},
    };
    const OptionValues defaults = Defaults();
    for (const PageCase& page : pages) {
        OptionValues expected = Opposite();
        for (const int n : page.Boxes)
            expected.CheckBox[n] = defaults.CheckBox[n];
        if (page.Parameters) {
            expected.Parameter15 = "-console -game cstrike";
            expected.Parameter16 = "-game cstrike";
        }
        if (page.AutoValues) {
            expected.Interval = "1";
            expected.Margin = "0";
        }
        OptionValues options = Opposite();
        SetPageDefaults(options, page.Page);
        EXPECT_EQ(options, expected) << "page " << page.Page;
    }
}

TEST(SettingsDefaultsTest, NoPageShownResetsEverythingButThePaths) {
    OptionValues expected = Defaults();
    expected.PathCS15 = expected.PathCS16 = expected.PathCD = expected.PathOther = "kept";
    const bool boxes[16] = {false, true, false, true, true, false, false, true,
                            true,  true, true,  true, true, true,  true,  true};
    for (int n = 1; n <= 15; ++n)
        EXPECT_EQ(expected.CheckBox[n], boxes[n]) << "suiCheckBox" << n;
    for (const int page : {-1, 6}) {
        OptionValues options = Opposite();
        SetPageDefaults(options, page);
        EXPECT_EQ(options, expected) << "page " << page;
    }
    OptionValues options = Opposite();
    ResetOptionValues(options);
    EXPECT_EQ(options, expected);
}

TEST(SettingsFillTest, CheckBoxesAndMarginFollowTheIntegerOfTheirText) {
    const struct {
        const char* Text;
        bool Checked;
        const char* Margin;
    } cases[] = {
        {"1", true, "1"},  {"0", false, "0"},   {"2", true, "2"},   {"4", true, "4"},
        {"5", true, "0"},  {"-1", true, "0"},   {"02", true, "2"},  {"00", false, "0"},
        {"+3", true, "3"}, {"yes", false, "0"}, {"1x", false, "0"}, {"", false, "0"},
        {"-", false, "0"}, {"+-1", false, "0"}, {"999", true, "0"},
    };
    for (const auto& c : cases) {
        IniStructureType ini;
        for (std::string& slot : ini.Slots)
            slot = c.Text;
        const OptionValues options = OptionsFromIni(ini);
        for (int n = 1; n <= 15; ++n)
            EXPECT_EQ(options.CheckBox[n], c.Checked) << '"' << c.Text << "\" box " << n;
        EXPECT_EQ(options.Margin, c.Margin) << '"' << c.Text << '"';
        EXPECT_EQ(options.Interval, c.Text); // shown as it stands
        EXPECT_EQ(options.PathOther, c.Text);
    }
}

} // namespace
