#include "KillWriterContent.h"

#include "FavoritesFile.h"
#include "FileReplace.h"
#include "IniFile.h"
#include "PlayerNameFile.h"
#include "SettingsStore.h"

#include <cstdlib>

namespace {

OptionValues Options(unsigned generation) {
    OptionValues options;
    ResetOptionValues(options);
    options.PathCS15 = "gen " + std::to_string(generation) + " C:\\Games\\CS15\\hl.exe";
    options.PathCS16 = std::string(200, char('a' + generation % 26));
    options.Parameter15 = "-console -gl " + std::to_string(generation);
    return options;
}

MainWindowValues Window(unsigned generation) {
    MainWindowValues window;
    window.FromIP = "127.70." + std::to_string(generation % 250) + ".1";
    window.ToIP = "127.70." + std::to_string(generation % 250) + ".254";
    for (int i = 0; i < int(generation % 32); ++i)
        window.Ports.push_back(27015 + i);
    window.Left = int(generation % 1000);
    return window;
}

std::string ConfigBase() {
    std::string config;
    for (int i = 0; i < 1500; ++i)
        config += "bind \"k" + std::to_string(i) + "\" \"say line " + std::to_string(i) + "\"\n";
    config += "name \"Player\"\n";
    for (int i = 0; i < 500; ++i)
        config += "alias a" + std::to_string(i) + " \"wait\"\n";
    return config;
}

} // namespace

std::string KillFileName(KillFile file) {
    switch (file) {
    case KillFile::Settings:
        return SettingsPath(".").substr(2);
    case KillFile::Favorites:
        return FavoritesFileName("47");
    case KillFile::Config:
        return "config.cfg";
    }
    return {};
}

std::string KillFileBytes(KillFile file, unsigned generation) {
    switch (file) {
    case KillFile::Settings: {
        IniFile ini;
        WriteSettingsTo(ini, Options(generation), Window(generation));
        return ini.Bytes();
    }
    case KillFile::Favorites: {
        std::vector<ServerStructure> rows;
        const size_t count = 250 + generation % 150;
        for (size_t i = 0; i < count; ++i) {
            ServerStructure row;
            row.IP = "127.70." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1);
            row.Port = std::to_string(27015 + generation % 100);
            row.Name = "gen " + std::to_string(generation) + " server " + std::to_string(i);
            row.Map = "de_dust2";
            row.Protocol = "47";
            rows.push_back(std::move(row));
        }
        return FavoritesFileBytes(rows, "47");
    }
    case KillFile::Config:
        return *RewritePlayerName(ConfigBase(), "gen " + std::to_string(generation));
    }
    return {};
}

bool WriteKillFile(const std::string& folder, KillFile file, unsigned generation) {
    const std::string path = folder + "/" + KillFileName(file);
    if (file == KillFile::Settings)
        return WriteSettings(path, Options(generation), Window(generation));
    return ReplaceFile(path, KillFileBytes(file, generation));
}

std::optional<unsigned> KillFileGeneration(const std::string& bytes) {
    const size_t at = bytes.find("gen ");
    if (at == std::string::npos)
        return std::nullopt;
    const char* start = bytes.c_str() + at + 4;
    char* end = nullptr;
    const unsigned long generation = std::strtoul(start, &end, 10);
    if (end == start)
        return std::nullopt;
    return unsigned(generation);
}
