#pragma once

#include <cstdint>
#include <string_view>

// A header click on a list: the same column again reverses the direction, another column
// keeps it; the clicked column becomes the sort column.
void ColumnClick(int32_t& sortColumn, bool& ascending, int column);

// 1 when a is greater, 0 when equal, -1 when a is smaller.
int CompareNumbers(int32_t a, int32_t b);

// Byte-wise by unsigned value, a prefix first; -1, 0 or 1.
int CompareBytes(std::string_view a, std::string_view b);
// The same with the ASCII letters a to z taken as A to Z.
int CompareBytesIgnoringCase(std::string_view a, std::string_view b);

// Comparison of two rows of ListView_PlayersInfo (texts: number, name, frags) by a column,
// ascending; the caller exchanges the rows for descending.
int ComparePlayersInfo(int column, std::string_view number1, std::string_view name1,
                       std::string_view frags1, std::string_view number2, std::string_view name2,
                       std::string_view frags2);
// Comparison of two rows of ListView_RulesInfo (texts: name, value) by a column, ascending.
int CompareRulesInfo(int column, std::string_view name1, std::string_view value1,
                     std::string_view name2, std::string_view value2);
