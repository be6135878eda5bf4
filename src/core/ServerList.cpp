#include "ServerList.h"

#include <charconv>

const std::string& ColumnText(const ServerStructure& row, int column) {
    switch (column) {
    case ColName:
        return row.Name;
    case ColIP:
        return row.IP;
    case ColPort:
        return row.Port;
    case ColMap:
        return row.Map;
    case ColPlayers:
        return row.Players;
    case ColMaxPlayers:
        return row.MaxPlayers;
    default:
        return row.Response;
    }
}

std::optional<int32_t> ParseInt32(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    size_t start = 0;
    bool negative = false;
    if (text[0] == '+' || text[0] == '-') {
        negative = text[0] == '-';
        start = 1;
    }
    if (start == text.size())
        return std::nullopt;
    int64_t value = 0;
    for (size_t i = start; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > int64_t{INT32_MAX} + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX || value < INT32_MIN)
        return std::nullopt;
    return static_cast<int32_t>(value);
}

int32_t NumericKey(std::string_view text) {
    return ParseInt32(text).value_or(-1);
}

static bool IsTextColumn(int column) {
    return column == ColName || column == ColIP || column == ColMap;
}

int CompareRows(const ServerStructure& a, const ServerStructure& b, int column) {
    const std::string& x = ColumnText(a, column);
    const std::string& y = ColumnText(b, column);
    if (IsTextColumn(column)) {
        // std::string's char_traits<char>::compare is memcmp: unsigned bytes, shorter prefix first.
        const int c = x.compare(y);
        return (c > 0) - (c < 0);
    }
    const int32_t p = NumericKey(x), q = NumericKey(y);
    return (p > q) - (p < q);
}
