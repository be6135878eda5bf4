#include "IniFile.h"

std::string IniFile::Read(std::string_view, std::string_view, size_t) const { return {}; }
void IniFile::Write(std::string_view, std::string_view, std::string_view) {}
std::optional<std::string> ReadWholeFile(const std::string&) { return std::nullopt; }
