// The INI store on any text: read, write one key, read back. The key reads as written,
// every other key reads as before, writing the same value again changes no byte, and the
// settings record reads from the text whatever it holds.
#include "FuzzCheck.h"
#include "IniFile.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

// Names as the program writes them: letters, digits, dots and underscores.
std::string MakeName(FuzzedDataProvider& in) {
    static constexpr std::string_view Alphabet = "abcXYZ019._";
    std::string name(1, Alphabet[in.ConsumeIntegralInRange<size_t>(0, Alphabet.size() - 1)]);
    for (int n = in.ConsumeIntegralInRange(0, 6); n > 0; --n)
        name += Alphabet[in.ConsumeIntegralInRange<size_t>(0, Alphabet.size() - 1)];
    return name;
}

// A value that reads back as itself: no line break, no blank or quote at either end.
std::string MakeValue(FuzzedDataProvider& in) {
    std::string value = in.ConsumeRandomLengthString(24);
    std::erase_if(value, [](char c) { return c == '\r' || c == '\n'; });
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t' ||
                              value.front() == '"' || value.front() == '\''))
        value.erase(value.begin());
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '"' ||
                              value.back() == '\''))
        value.pop_back();
    return value;
}

char Fold(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i]))
            return false;
    return true;
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// Section and key names as they stand in the text, as probes for what must not change.
std::vector<std::pair<std::string, std::string>> Probes(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> probes;
    std::string section;
    size_t start = 0;
    while (start < text.size() && probes.size() < 48) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string_view line = Trimmed(std::string_view(text).substr(start, end - start));
        if (!line.empty() && line.front() == '[')
            section = std::string(Trimmed(line.substr(1, line.find(']') - 1)));
        else if (!line.empty())
            probes.emplace_back(section, std::string(Trimmed(line.substr(0, line.find('=')))));
        start = end + 1;
    }
    return probes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string section = MakeName(in);
    const std::string key = MakeName(in);
    const std::string value = MakeValue(in);
    const std::string text = in.ConsumeRemainingBytesAsString();

    IniFile ini(text);
    const auto probes = Probes(text);
    std::vector<std::string> before;
    for (const auto& [s, k] : probes)
        before.push_back(ini.Read(s, k, 4096));

    ini.Write(section, key, value);
    FUZZ_CHECK(ini.Read(section, key, 4096) == value);
    for (size_t i = 0; i < probes.size(); ++i) {
        const auto& [s, k] = probes[i];
        if (SameName(Trimmed(s), section) && SameName(Trimmed(k), key))
            continue;
        FUZZ_CHECK(ini.Read(s, k, 4096) == before[i]);
    }
    const std::string written = ini.Bytes();
    ini.Write(section, key, value);
    FUZZ_CHECK(ini.Bytes() == written);

    // The whole record reads from any text, each value within its cap.
    const IniStructureType record = ReadSettingsFrom(IniFile(text));
    for (const SettingsKey& k : SettingsKeys) {
        const size_t cap = std::max(k.MaxRead, std::string_view(k.MissingReadsAs).size());
        if (k.Slot == PortsRow)
            for (const std::string& port : record.Ports)
                FUZZ_CHECK(port.size() <= cap);
        else
            FUZZ_CHECK(record.Slots[k.Slot].size() <= cap);
    }
    return 0;
}
