#include "SettingsStore.h"

#include "FileRead.h"
#include "FileReplace.h"
#include "IniFile.h"
#include "SettingsKeys.h"

#include <charconv>
#include <filesystem>
#include <optional>

namespace {

const char* Flag(bool on) {
    return on ? "1" : "0";
}

// The main window's value for one of its keys, as a save writes it.
std::string WindowValue(int slot, const MainWindowValues& window) {
    switch (slot) {
    case SlotFromIP:
        return window.FromIP;
    case SlotToIP:
        return window.ToIP;
    case SlotPanelServerInfoVisible:
        return Flag(window.ServerInfoVisible);
    case SlotGroupBoxFavoriteVisible:
        return Flag(window.FavoriteVisible);
    case SlotMainPosX:
        return std::to_string(window.Left);
    case SlotMainPosY:
        return std::to_string(window.Top);
    case SlotMainWidth:
        return std::to_string(window.Width);
    case SlotMainHeight:
        return std::to_string(window.Height);
    case SlotPanelServerInfoWidth:
        return std::to_string(window.ServerInfoWidth);
    case SlotGroupBoxFavoriteHeight:
        return std::to_string(window.FavoriteHeight);
    default:
        return {};
    }
}

std::string WrittenValue(const SettingsKey& key, const OptionValues& options,
                         const MainWindowValues& window) {
    if (key.Text)
        return options.*key.Text;
    if (key.CheckBox)
        return Flag(options.CheckBox[key.CheckBox]);
    return WindowValue(key.Slot, window);
}

void WritePorts(IniFile& ini, const char* section, const std::vector<int>& ports) {
    const int count = static_cast<int>(ports.size());
    for (int i = 0; i < count; ++i)
        ini.Write(section, PortKey(i), std::to_string(ports[i]));
    // Keys left by a longer earlier list are emptied; a list longer than the slots
    // has nothing to empty.
    for (int i = count; i < PortSlotCount; ++i)
        ini.Write(section, PortKey(i), "");
}

// A decimal integer with an optional sign and nothing else; nullopt for anything else,
// so a hand-edited text never throws.
std::optional<long> ParseInteger(std::string_view text) {
    if (text.size() > 1 && text[0] == '+' && text[1] != '-')
        text.remove_prefix(1);
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// The ComboBox_Margin item chosen by the text's integer value; item "0" when it names none.
std::string MarginItem(const std::string& text) {
    constexpr long ItemCount = 5;
    const long index = ParseInteger(text).value_or(0);
    return index >= 0 && index < ItemCount ? std::to_string(index) : "0";
}

} // namespace

std::string SettingsPath(const std::string& startDirectory) {
#ifdef _WIN32
    constexpr char Separator = '\\';
#else
    constexpr char Separator = '/';
#endif
    std::string path = startDirectory;
    if (!path.empty() && path.back() != '/' && path.back() != Separator)
        path += Separator;
    return path + "Quarrix.ini";
}

bool SettingsFileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

IniStructureType ReadSettingsFrom(const IniFile& ini) {
    IniStructureType record;
    for (const SettingsKey& key : SettingsKeys) {
        if (key.Slot == PortsRow) {
            for (int i = 0; i < PortSlotCount; ++i) {
                std::string value = ini.Read(key.Section, PortKey(i), key.MaxRead + 1);
                record.Ports[i] = value.empty() ? key.MissingReadsAs : std::move(value);
            }
            continue;
        }
        std::string value = ini.Read(key.Section, key.Key, key.MaxRead + 1);
        record.Slots[key.Slot] = value.empty() ? key.MissingReadsAs : std::move(value);
    }
    return record;
}

IniStructureType ReadSettings(const std::string& path, ReadStatus* status) {
    FileRead read = ReadRegularFile(path, MaxSettingsBytes);
    if (status)
        *status = read.Status;
    return ReadSettingsFrom(IniFile(read.Ok() ? std::move(read.Bytes) : std::string()));
}

void WriteSettingsTo(IniFile& ini, const OptionValues& options, const MainWindowValues& window) {
    for (const SettingsKey& key : SettingsKeys) {
        if (key.Slot == PortsRow)
            WritePorts(ini, key.Section, window.Ports);
        else
            ini.Write(key.Section, key.Key, WrittenValue(key, options, window));
    }
}

bool WriteSettings(const std::string& path, const OptionValues& options,
                   const MainWindowValues& window) {
    FileRead existing = ReadRegularFile(path, MaxSettingsBytes);
    if (!existing.Ok() && existing.Status != ReadStatus::Missing)
        return false;
    IniFile ini(std::move(existing.Bytes));
    WriteSettingsTo(ini, options, window);
    return ReplaceFile(path, ini.Bytes());
}

void SetPageDefaults(OptionValues& options, int page) {
    constexpr int PageCount = 6;
    const bool everyPage = page < 0 || page >= PageCount;
    for (const SettingsKey& key : SettingsKeys) {
        if (!key.Default || key.Page < 0 || (!everyPage && key.Page != page))
            continue;
        if (key.Text)
            options.*key.Text = key.Default;
        else if (key.CheckBox)
            options.CheckBox[key.CheckBox] = std::string_view(key.Default) == "1";
    }
}

void ResetOptionValues(OptionValues& options) {
    SetPageDefaults(options, -1);
}

OptionValues OptionsFromIni(const IniStructureType& ini) {
    OptionValues options;
    for (const SettingsKey& key : SettingsKeys) {
        if (key.Slot == PortsRow || key.Page < 0)
            continue;
        const std::string& text = ini.Slots[key.Slot];
        if (key.Text)
            options.*key.Text = key.Slot == SlotMargin ? MarginItem(text) : text;
        else if (key.CheckBox)
            options.CheckBox[key.CheckBox] = ParseInteger(text).value_or(0) != 0;
    }
    return options;
}
