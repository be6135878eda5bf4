#pragma once

#include "ServerStructure.h"

#include <optional>
#include <string_view>

// Column indices of the list views; equal to the field order of ServerStructure.
enum ServerColumn { ColName = 0, ColIP, ColPort, ColMap, ColPlayers, ColMaxPlayers, ColResponse };

// The text of column 0..6 of a row.
const std::string& ColumnText(const ServerStructure& row, int column);

// Decimal text as signed 32-bit; nullopt for anything else (empty, blanks, overflow).
std::optional<int32_t> ParseInt32(std::string_view text);

// Numeric value of a numeric column: empty text and text that is not an integer count as -1.
int32_t NumericKey(std::string_view text);

// Three-way comparison of two rows by a column: text columns byte-wise unsigned,
// the others numerically.
int CompareRows(const ServerStructure& a, const ServerStructure& b, int column);
