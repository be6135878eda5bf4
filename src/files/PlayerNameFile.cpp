#include "PlayerNameFile.h"

#include "LineText.h"

// Where the first word of the line ends, or npos when the line's first word is not name.
static size_t AfterNameWord(std::string_view line) {
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos)
        return std::string_view::npos;
    constexpr std::string_view word = "name";
    if (line.substr(start, word.size()) != word)
        return std::string_view::npos;
    const size_t end = start + word.size();
    if (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != '"')
        return std::string_view::npos;
    return end;
}

bool IsPlayerNameLine(std::string_view line) {
    return AfterNameWord(line) != std::string_view::npos;
}

std::string ReadPlayerName(std::string_view configBytes) {
    for (const auto& line : SplitLines(configBytes)) {
        const size_t end = AfterNameWord(line);
        if (end == std::string_view::npos)
            continue;
        const std::string_view rest = std::string_view(line).substr(end);
        const size_t open = rest.find('"');
        if (open == std::string_view::npos)
            return {};
        const size_t close = rest.find('"', open + 1);
        if (close == std::string_view::npos)
            return {};
        return std::string(rest.substr(open + 1, close - open - 1));
    }
    return {};
}

bool PlayerNameAllowed(std::string_view name) {
    return !name.empty() && name.find_first_of(std::string_view("\"\r\n\0", 4)) == name.npos;
}

std::optional<std::string> RewritePlayerName(std::string_view configBytes, std::string_view name) {
    if (!PlayerNameAllowed(name))
        return std::nullopt;
    // The reader stops at a zero byte, but the file goes on after it: the rewrite keeps
    // those lines (cutting them would lose the rest of the player's configuration) and
    // looks for the name line only where the reader looks.
    const size_t zero = configBytes.find('\0');
    auto lines = SplitLines(configBytes.substr(0, zero));
    const size_t readable = lines.size();
    if (zero != std::string_view::npos) {
        // The line the zero byte stands in continues with the bytes after it.
        const bool zeroStartsALine =
            zero == 0 || configBytes[zero - 1] == '\n' || configBytes[zero - 1] == '\r';
        auto rest = SplitLinesKeepingZeros(configBytes.substr(zero));
        if (!zeroStartsALine && !lines.empty() && !rest.empty()) {
            lines.back() += rest.front();
            rest.erase(rest.begin());
        }
        lines.insert(lines.end(), rest.begin(), rest.end());
    }
    for (size_t i = 0; i < readable; ++i) {
        if (IsPlayerNameLine(lines[i])) {
            lines[i] = "name \"" + std::string(name) + '"';
            break;
        }
    }
    return JoinLinesCrLf(lines);
}
