#include "ProcessLauncher.h"

#include <algorithm>

std::vector<std::string> SplitParameters(std::string_view parameters) {
    std::vector<std::string> pieces;
    size_t at = 0;
    while (at < parameters.size()) {
        const size_t start = parameters.find_first_not_of(" \t", at);
        if (start == std::string_view::npos)
            break;
        const size_t end = std::min(parameters.find_first_of(" \t", start), parameters.size());
        pieces.emplace_back(parameters.substr(start, end - start));
        at = end;
    }
    return pieces;
}

namespace {

// Appends `argument` as one argument that CommandLineToArgvW (and the C runtime's own
// parser) reads back unchanged.
void AppendQuoted(std::wstring& line, const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += argument;
        return;
    }
    line += L'"';
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count only before a quote: there each one is doubled, and the
        // quote itself is escaped.
        if (c == L'"')
            line.append(backslashes * 2 + 1, L'\\');
        else
            line.append(backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    // Before the closing quote, trailing backslashes are doubled so that it stays one.
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

} // namespace

std::wstring WindowsCommandLine(const std::wstring& program,
                                const std::vector<std::wstring>& arguments) {
    // The program's name is read up to the closing quote, with no escapes: a Windows path
    // holds no quote, so quoting it whole is always right.
    std::wstring line = L"\"" + program + L"\"";
    for (const std::wstring& argument : arguments) {
        line += L' ';
        AppendQuoted(line, argument);
    }
    return line;
}
