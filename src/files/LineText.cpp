#include "LineText.h"

std::vector<std::string> SplitLines(std::string_view bytes) {
    return SplitLinesKeepingZeros(bytes.substr(0, bytes.find('\0')));
}

std::vector<std::string> SplitLinesKeepingZeros(std::string_view bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(bytes.substr(start));
            break;
        }
        lines.emplace_back(bytes.substr(start, end - start));
        start = end + 1;
        if (bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n')
            ++start;
    }
    return lines;
}

std::string JoinLinesCrLf(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const auto& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}
