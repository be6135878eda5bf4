#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The port editor of the search group: the list box items are decimal port texts in
// list order, the edit holds the port to add. Ports are compared by value ("027015" and
// "+27015" are 27015) and listed as plain decimal text. Pure rules; the window applies them.

// What Button_AddPortClick does with the edit's text.
enum class AddPortResult {
    Added,         // inserted at InsertedAt as plain decimal text; the edit keeps its text
    AlreadyListed, // an item has the same value; nothing changes
    NotInteger,    // show the invalid-port message and empty the edit
    OutOfRange     // outside 1..65535: empty the edit, no message
};

struct AddPortOutcome {
    AddPortResult Result = AddPortResult::Added;
    int InsertedAt = -1; // index of the new item when Added
    bool ClearEdit() const {
        return Result == AddPortResult::NotInteger || Result == AddPortResult::OutOfRange;
    }
    bool ShowInvalidPort() const { return Result == AddPortResult::NotInteger; }
};

// Adds the port of editText to items before the first item with a larger value, or at the
// end. Items that are not integers are never "larger", so they do not attract insertions.
AddPortOutcome AddPort(std::vector<std::string>& items, const std::string& editText);

// Removes every item whose index is in `selected` (any order, duplicates allowed).
void DeletePorts(std::vector<std::string>& items, const std::vector<int>& selected);

// The scan's port array and the summary shown in Edit_Ports, rebuilt when the panel
// collapses.
struct PortListRebuild {
    std::vector<int32_t> PortList;    // PortCount = PortList.size()
    std::string Summary;              // every port text followed by two blanks
    std::vector<std::string> Items;   // what the list box must hold: the ports as decimal text
    std::vector<std::string> Dropped; // items that were not ports or repeated one, left out
};

// Items that are not integers, lie outside 1..65535 or repeat an earlier port's value (only
// possible through an edited settings file) are dropped instead of failing the rebuild.
PortListRebuild RebuildPortList(const std::vector<std::string>& items);
