#include "ListSorting.h"

#include "ServerList.h"

#include <algorithm>

void ColumnClick(int32_t& sortColumn, bool& ascending, int column) {
    if (column == sortColumn)
        ascending = !ascending;
    sortColumn = column;
}

int CompareNumbers(int32_t a, int32_t b) {
    return (a > b) - (a < b);
}

int CompareBytes(std::string_view a, std::string_view b) {
    const int c = a.compare(b);
    return (c > 0) - (c < 0);
}

int CompareBytesIgnoringCase(std::string_view a, std::string_view b) {
    const auto fold = [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 'a' && u <= 'z' ? static_cast<unsigned char>(u - 'a' + 'A') : u;
    };
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const unsigned char x = fold(a[i]), y = fold(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return (a.size() > b.size()) - (a.size() < b.size());
}

int ComparePlayersInfo(int column, std::string_view number1, std::string_view name1,
                       std::string_view frags1, std::string_view number2, std::string_view name2,
                       std::string_view frags2) {
    switch (column) {
    case 0:
        return CompareNumbers(NumericKey(number1), NumericKey(number2));
    case 1:
        return CompareBytes(name1, name2);
    case 2:
        return CompareNumbers(NumericKey(frags1), NumericKey(frags2));
    default:
        return 0;
    }
}

int CompareRulesInfo(int column, std::string_view name1, std::string_view value1,
                     std::string_view name2, std::string_view value2) {
    switch (column) {
    case 0:
        return CompareBytesIgnoringCase(name1, name2);
    case 1:
        return CompareBytes(value1, value2);
    default:
        return 0;
    }
}
