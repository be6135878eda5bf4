#pragma once

#include <optional>
#include <string>
#include <string_view>

// An INI text held in memory that reads and writes keys the way the Windows profile
// functions do (GetPrivateProfileString / WritePrivateProfileString), byte for byte.
// Sections and keys are matched by name, ASCII case-insensitively; every byte that a
// write does not have to change (comments, unknown sections and keys, line ends) stays.
class IniFile {
public:
    IniFile() = default;
    explicit IniFile(std::string bytes) : Text(std::move(bytes)) {}

    // The value of section/key (trimmed, one pair of enclosing quotes removed) cut to
    // bufferSize - 1 bytes; "" when missing or empty.
    std::string Read(std::string_view section, std::string_view key, size_t bufferSize) const;

    // Replaces the value in place, or appends the key after the last key of its section,
    // or appends the section at the end of the text. New lines end with CR LF; a value is
    // cut at its first line break so that it can never add lines of its own.
    void Write(std::string_view section, std::string_view key, std::string_view value);

    const std::string& Bytes() const { return Text; }

private:
    std::string Text;
};
