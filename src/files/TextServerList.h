#pragma once

#include "AddressCheck.h"
#include "MessageTable.h"
#include "ServerStructure.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The export line of a row: "#", its IP, ":", its Port, "#", CR LF.
std::string TextListLine(const ServerStructure& row);

// The export bytes of rows in the order given: one line per row, nothing else.
std::string TextListBytes(const std::vector<ServerStructure>& rows);

// The address and port texts of one import line: the address from the second byte up to
// the first colon, the port after that colon up to its first "#"; each empty when its
// delimiter is missing.
struct TextListEntry {
    std::string Address;
    std::string Port;
};
TextListEntry SplitTextListLine(std::string_view line);

// What an import read. Rows holds a new row ("00", every other field empty) per good line
// up to the first bad one, a repeated address and port left out; the caller discards the
// rows its list already holds. Rows taken before a bad line are kept, as the list keeps
// them.
struct TextListImport {
    std::vector<ServerStructure> Rows;
    std::optional<size_t> BadLine; // zero-based index of the line the import stopped at
    AddressCheck Fault = AddressCheck::Ok;

    // The check's own message for the bad line (MsgInvalidAddress or MsgInvalidPort); the
    // import then shows MsgInvalidListEntry. Both with the caption MsgNotice.
    MessageIndex CheckMessage() const;
};

// Parses a text list, stopping at its first line whose address or port fails the check.
// A zero byte belongs to its line: after the closing "#" it is ignored, before it the line
// fails the check.
TextListImport ParseTextList(std::string_view bytes);
