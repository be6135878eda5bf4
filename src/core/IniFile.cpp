#include "IniFile.h"

#include <optional>
#include <vector>

namespace {

// One line of the text: [Begin, ContentEnd) without its line end, End past it.
struct Line {
    size_t Begin = 0;
    size_t ContentEnd = 0;
    size_t End = 0;
};

// A stray CR left inside a line counts as white space, as for the profile functions.
constexpr const char* Blanks = " \t\r";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// GBK lead bytes: the byte after one belongs to the same character and may look like ASCII.
bool IsLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// ASCII case-insensitive equality that compares double-byte characters exactly.
bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1])
                return false;
            ++i;
        } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::vector<Line> SplitLines(const std::string& text) {
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        Line line;
        line.Begin = pos;
        const size_t lf = text.find('\n', pos);
        line.End = lf == std::string::npos ? text.size() : lf + 1;
        line.ContentEnd = lf == std::string::npos ? text.size() : lf;
        if (line.ContentEnd > line.Begin && text[line.ContentEnd - 1] == '\r')
            --line.ContentEnd;
        lines.push_back(line);
        pos = line.End;
    }
    return lines;
}

// The name of a "[name]" header line, or nullopt when the line is no header. The closing
// bracket is searched character by character, as 0x5D is also a GBK trail byte.
std::optional<std::string_view> SectionName(std::string_view content) {
    const std::string_view s = Trim(content);
    if (s.empty() || s.front() != '[')
        return std::nullopt;
    size_t i = 1;
    while (i < s.size() && s[i] != ']')
        i += (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
    return Trim(s.substr(1, i - 1));
}

// A key line inside a section: anything but a blank line or a ";" comment. A line
// without "=" is a key with no value, as the profile functions take it.
bool IsKeyLine(std::string_view content) {
    const std::string_view s = Trim(content);
    return !s.empty() && s.front() != ';';
}

std::string_view KeyName(std::string_view content) {
    return Trim(content.substr(0, content.find('=')));
}

// Where a section and a key stand in the text.
struct Location {
    std::optional<size_t> Header;  // line index of the section header
    std::optional<size_t> Key;     // line index of the key
    std::optional<size_t> LastKey; // last key line of the section
};

Location Locate(const std::string& text, const std::vector<Line>& lines, std::string_view section,
                std::string_view key) {
    Location where;
    section = Trim(section);
    key = Trim(key);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string_view content(text.data() + lines[i].Begin,
                                       lines[i].ContentEnd - lines[i].Begin);
        if (const auto name = SectionName(content)) {
            if (where.Header)
                break; // the section ends at the next header
            if (EqualNoCase(*name, section))
                where.Header = i;
            continue;
        }
        if (!where.Header || !IsKeyLine(content))
            continue;
        where.LastKey = i;
        if (!where.Key && EqualNoCase(KeyName(content), key))
            where.Key = i;
    }
    return where;
}

} // namespace

std::string IniFile::Read(std::string_view section, std::string_view key, size_t bufferSize) const {
    const std::vector<Line> lines = SplitLines(Text);
    const Location where = Locate(Text, lines, section, key);
    if (!where.Key || bufferSize == 0)
        return {};
    const Line& line = lines[*where.Key];
    const std::string_view content(Text.data() + line.Begin, line.ContentEnd - line.Begin);
    const size_t equals = content.find('=');
    if (equals == std::string_view::npos)
        return {};
    std::string_view value = Trim(content.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value.substr(0, bufferSize - 1));
}

void IniFile::Write(std::string_view section, std::string_view key, std::string_view value) {
    value = value.substr(0, value.find_first_of("\r\n"));
    const std::vector<Line> lines = SplitLines(Text);
    const Location where = Locate(Text, lines, section, key);

    if (where.Key) {
        // Only the value's bytes change; the key keeps its spelling and its line end.
        const Line& line = lines[*where.Key];
        const std::string_view content(Text.data() + line.Begin, line.ContentEnd - line.Begin);
        const size_t equals = content.find('=');
        if (equals == std::string_view::npos) {
            const size_t keyEnd = line.Begin + content.find_last_not_of(Blanks) + 1;
            Text.replace(keyEnd, line.ContentEnd - keyEnd, "=" + std::string(value));
            return;
        }
        const std::string_view after = content.substr(equals + 1);
        if (Trim(after) == value)
            return;
        const size_t lead = after.find_first_not_of(Blanks);
        const size_t valueBegin =
            line.Begin + equals + 1 + (lead == std::string_view::npos ? 0 : lead);
        Text.replace(valueBegin, line.ContentEnd - valueBegin, value);
        return;
    }

    std::string insert;
    size_t at = Text.size();
    if (where.Header) {
        const Line& after = lines[where.LastKey.value_or(*where.Header)];
        at = after.End;
        if (Text[after.End - 1] != '\n')
            insert += "\r\n"; // the last line of the text had no line end
    } else {
        if (!Text.empty() && Text.back() != '\n')
            insert += "\r\n";
        insert += '[';
        insert += section;
        insert += "]\r\n";
    }
    insert += key;
    insert += '=';
    insert += value;
    insert += "\r\n";
    Text.insert(at, insert);
}
