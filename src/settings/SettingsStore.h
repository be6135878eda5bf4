#pragma once

#include "FileRead.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

// Slots of the settings record, in record order.
enum SettingsSlot {
    SlotPathCS15 = 0,
    SlotPathCS16,
    SlotPathCD,
    SlotPathOther,
    SlotParameter15,
    SlotParameter16,
    SlotRunCD,
    SlotRunOther,
    SlotPauseSearching,
    SlotStopRefreshing,
    SlotMinimize,
    SlotInterval,
    SlotMargin,
    SlotFavoriteFilter1,
    SlotFavoriteFilter2,
    SlotFavoriteFilter3,
    SlotMainOnTop,
    SlotRemWindowStates,
    SlotPanelServerInfoVisible,
    SlotGroupBoxFavoriteVisible,
    SlotMainPosX,
    SlotMainPosY,
    SlotMainWidth,
    SlotMainHeight,
    SlotPanelServerInfoWidth,
    SlotGroupBoxFavoriteHeight,
    SlotFromIP,
    SlotToIP,
    SlotSynchronize,
    SlotResultFilter1,
    SlotResultFilter2,
    SlotResultFilter3,
    SlotConfirm,
    SlotCount
};

constexpr int PortSlotCount = 32;

// The settings the program obeys, as last read from Quarrix.ini: texts exactly as read.
struct IniStructureType {
    std::array<std::string, SlotCount> Slots;
    std::array<std::string, PortSlotCount> Ports;
    const std::string& operator[](SettingsSlot slot) const { return Slots[slot]; }
};

// The working copy of the options (the options dialog's controls): what a save writes.
struct OptionValues {
    std::string PathCS15, PathCS16, PathCD, PathOther; // suiEdit1, suiEdit4, suiEdit2, suiEdit3
    std::string Parameter15, Parameter16;              // suiEdit5, suiEdit6
    std::array<bool, 16> CheckBox{};                   // [n] is suiCheckBoxN, n = 1..15
    std::string Interval;                              // Edit_AutoInterval
    std::string Margin = "0";                          // ComboBox_Margin text, "0".."4"
    bool operator==(const OptionValues&) const = default;
};

// What a save takes from the main window.
struct MainWindowValues {
    std::string FromIP, ToIP;
    std::vector<int> Ports;
    int Left = 101, Top = 125, Width = 895, Height = 602;
    bool ServerInfoVisible = true, FavoriteVisible = true;
    int ServerInfoWidth = 219, FavoriteHeight = 289;
};

class IniFile;

// StartDirectory + the file name of the settings file.
std::string SettingsPath(const std::string& startDirectory);

// True when anything exists at the path (the first run is the run without it).
bool SettingsFileExists(const std::string& path);

// The largest settings file read: far above what the keys and any hand-made comments
// take, far below what would exhaust the memory.
constexpr size_t MaxSettingsBytes = size_t(1) << 20;

// Reads every key with its length cap and missing-key fallback; a file that is missing, no
// regular file, larger than MaxSettingsBytes or unreadable reads as all fallbacks, and
// `status` (when given) tells which. The read never waits on the file (a pipe, a device).
IniStructureType ReadSettings(const std::string& path, ReadStatus* status = nullptr);
IniStructureType ReadSettingsFrom(const IniFile& ini);

// Writes every key in file order as the profile functions would, replacing the file
// atomically. False when the file could not be written, or exists but could not be read
// (it is then left alone rather than replaced by one that lost its other contents; so is
// anything at the path that is no regular file).
bool WriteSettings(const std::string& path, const OptionValues& options,
                   const MainWindowValues& window);
void WriteSettingsTo(IniFile& ini, const OptionValues& options, const MainWindowValues& window);

// Defaults of every option control (the paths are kept).
void ResetOptionValues(OptionValues& options);

// Defaults of one page of the options dialog (0..5); -1 (or any index that is no page)
// for every page.
void SetPageDefaults(OptionValues& options, int page);

// The controls' state filled from the record. A check box is checked when its text is a
// decimal integer other than 0 (anything else, such as a hand-edited "yes", leaves it
// unchecked); the margin is the item whose index the text gives, item "0" when it gives none.
OptionValues OptionsFromIni(const IniStructureType& ini);
