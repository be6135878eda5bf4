#include "SettingsKeys.h"

namespace {
using O = OptionValues;
} // namespace

// clang-format off
const std::array<SettingsKey, SlotCount + 1> SettingsKeys = {{
    // Section        Key                        Slot                         Text            Box Page Default                   Missing Max
    {"SearchRange",  "FromIP",                   SlotFromIP,                  nullptr,         0, -1, nullptr,                  "",    15},
    {"SearchRange",  "ToIP",                     SlotToIP,                    nullptr,         0, -1, nullptr,                  "",    15},
    {"SearchPorts",  "Port",                     PortsRow,                    nullptr,         0, -1, nullptr,                  "",     7},
    // The four paths are only ever set by browsing; no Default button touches them.
    {"ModulePath",   "PathCS1.5",                SlotPathCS15,                &O::PathCS15,    0,  0, nullptr,                  "",   255},
    {"ModulePath",   "PathCS1.6",                SlotPathCS16,                &O::PathCS16,    0,  0, nullptr,                  "",   255},
    {"ModulePath",   "PathCD",                   SlotPathCD,                  &O::PathCD,      0,  0, nullptr,                  "",   255},
    {"ModulePath",   "PathOther",                SlotPathOther,               &O::PathOther,   0,  0, nullptr,                  "",   255},
    {"ModulePath",   "Parameter1.5",             SlotParameter15,             &O::Parameter15, 0,  0, "-console -game cstrike", "",    63},
    {"ModulePath",   "Parameter1.6",             SlotParameter16,             &O::Parameter16, 0,  0, "-game cstrike",          "",    63},
    {"RunSettings",  "RunCD",                    SlotRunCD,                   nullptr,         1,  1, "1",                      "1",    3},
    {"RunSettings",  "RunOther",                 SlotRunOther,                nullptr,         2,  1, "0",                      "0",    3},
    {"RunSettings",  "PauseSearching",           SlotPauseSearching,          nullptr,         3,  1, "1",                      "1",    3},
    {"RunSettings",  "StopRefreshing",           SlotStopRefreshing,          nullptr,         4,  1, "1",                      "1",    3},
    {"RunSettings",  "Minimize",                 SlotMinimize,                nullptr,         7,  1, "1",                      "1",    3},
    {"AutoActions",  "Interval",                 SlotInterval,                &O::Interval,    0,  2, "1",                      "1",    3},
    {"AutoActions",  "Margin",                   SlotMargin,                  &O::Margin,      0,  2, "0",                      "0",    3},
    // Asks before an automatic join by default, yet a file without the key does not ask.
    {"AutoActions",  "Confirm",                  SlotConfirm,                 nullptr,        15,  2, "1",                      "0",    3},
    {"Result",       "Filter1",                  SlotResultFilter1,           nullptr,        12,  3, "1",                      "1",    3},
    {"Result",       "Filter2",                  SlotResultFilter2,           nullptr,        13,  3, "1",                      "1",    3},
    {"Result",       "Filter3",                  SlotResultFilter3,           nullptr,        14,  3, "1",                      "1",    3},
    {"Favorite",     "Synchronize",              SlotSynchronize,             nullptr,        11,  4, "1",                      "1",    3},
    {"Favorite",     "Filter1",                  SlotFavoriteFilter1,         nullptr,         8,  4, "1",                      "1",    3},
    {"Favorite",     "Filter2",                  SlotFavoriteFilter2,         nullptr,         9,  4, "1",                      "1",    3},
    {"Favorite",     "Filter3",                  SlotFavoriteFilter3,         nullptr,        10,  4, "1",                      "1",    3},
    {"WindowStates", "MainOnTop",                SlotMainOnTop,               nullptr,         6,  5, "0",                      "0",    3},
    {"WindowStates", "RemWindowStates",          SlotRemWindowStates,         nullptr,         5,  5, "0",                      "0",    3},
    {"WindowStates", "Panel_ServerInfoVisible",  SlotPanelServerInfoVisible,  nullptr,         0, -1, nullptr,                  "1",    3},
    {"WindowStates", "GroupBox_FavoriteVisible", SlotGroupBoxFavoriteVisible, nullptr,         0, -1, nullptr,                  "1",    3},
    {"WindowStates", "MainPosX",                 SlotMainPosX,                nullptr,         0, -1, nullptr,                  "",     7},
    {"WindowStates", "MainPosY",                 SlotMainPosY,                nullptr,         0, -1, nullptr,                  "",     7},
    {"WindowStates", "MainWidth",                SlotMainWidth,               nullptr,         0, -1, nullptr,                  "",     7},
    {"WindowStates", "MainHeight",               SlotMainHeight,              nullptr,         0, -1, nullptr,                  "",     7},
    {"WindowStates", "Panel_ServerInfoWidth",    SlotPanelServerInfoWidth,    nullptr,         0, -1, nullptr,                  "",     7},
    {"WindowStates", "GroupBox_FavoriteHeight",  SlotGroupBoxFavoriteHeight,  nullptr,         0, -1, nullptr,                  "",     7},
}};
// clang-format on

std::string PortKey(int index) {
    return "Port" + std::to_string(index);
}
