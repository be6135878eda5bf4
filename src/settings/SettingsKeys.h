#pragma once

#include "SettingsStore.h"

#include <array>
#include <cstddef>
#include <string>

// One key of Quarrix.ini: where it lives, what it is written from and how it is read.
struct SettingsKey {
    const char* Section;
    const char* Key;                 // for the port row: the prefix of "Port0".."Port31"
    int Slot;                        // place in IniStructureType::Slots; PortsRow for the ports
    std::string OptionValues::*Text; // the edit or combo box it is written from, or nullptr
    int CheckBox;                    // n of the suiCheckBoxN it is written from, or 0
    int Page;                        // options page holding its control; -1 for main window values
    const char* Default;             // what the Default buttons set; nullptr: never reset
    const char* MissingReadsAs;      // stored when the key is absent or its value empty
    size_t MaxRead;                  // longer values are cut to this many bytes
};

constexpr int PortsRow = -1;

// Every key in file order (the order of a save and of a newly created file); the row with
// Slot == PortsRow stands for Port0 onward.
extern const std::array<SettingsKey, SlotCount + 1> SettingsKeys;

// "Port" + the decimal index without leading zeros.
std::string PortKey(int index);
