// ParseRulesAnswer in every detail state: only state 3 and 512 bytes or more are taken;
// then at most 128 rules without zero or tab bytes, and an answer rebuilt from them (when
// it reaches 512 bytes) reads the same. A refused datagram changes nothing.
#include "FuzzCheck.h"
#include "QueryProtocol.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

RulesInfoStructure Sentinel() {
    RulesInfoStructure rules;
    for (int i = 0; i < MaxRulesInfo; ++i) {
        rules.Names[i] = "sentinel";
        rules.Values[i] = "v";
    }
    return rules;
}

Bytes Rebuild(const RulesInfoStructure& rules, int count) {
    Bytes out{0xFF, 0xFF, 0xFF, 0xFF, 'E', static_cast<uint8_t>(count), 0};
    for (int i = 0; i < count; ++i) {
        out.insert(out.end(), rules.Names[i].begin(), rules.Names[i].end());
        out.push_back(0);
        out.insert(out.end(), rules.Values[i].begin(), rules.Values[i].end());
        out.push_back(0);
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const int state = data[0] % 5;
    std::vector<uint8_t> datagram(data + 1, data + size);
    // Short inputs are padded so that most runs reach the parsing itself; the padding
    // byte comes from the input.
    if ((data[0] & 0x80) && datagram.size() < 512)
        datagram.resize(512, static_cast<uint8_t>(data[0] & 0x7F));

    RulesInfoStructure rules = Sentinel();
    int count = -7;
    const bool accepted = ParseRulesAnswer(datagram, state, rules, count);

    const bool tagged =
        datagram.size() >= 22 && std::memcmp(datagram.data() + 4, "infostringresponse", 18) == 0;
    const bool hasE = std::find(datagram.begin(), datagram.end(), 'E') != datagram.end();
    const bool expected = state == DetailRules && datagram.size() >= 512 && !tagged && hasE;
    FUZZ_CHECK(accepted == expected);
    if (!accepted) {
        FUZZ_CHECK(count == -7);
        FUZZ_CHECK(rules.Names == Sentinel().Names && rules.Values == Sentinel().Values);
        return 0;
    }
    FUZZ_CHECK(count >= 0 && count <= MaxRulesInfo);
    for (int i = 0; i < MaxRulesInfo; ++i) {
        if (i >= count) {
            FUZZ_CHECK(rules.Names[i] == "sentinel" && rules.Values[i] == "v");
            continue;
        }
        for (const std::string* field : {&rules.Names[i], &rules.Values[i]}) {
            FUZZ_CHECK(field->find('\0') == std::string::npos);
            FUZZ_CHECK(field->find('\t') == std::string::npos);
        }
    }

    Bytes rebuilt = Rebuild(rules, count);
    if (count == MaxRulesInfo && rebuilt.size() < 512)
        rebuilt.resize(512, 0); // past the last rule taken: ignored
    if (rebuilt.size() < 512)
        return 0;
    RulesInfoStructure again = Sentinel();
    int againCount = -1;
    FUZZ_CHECK(ParseRulesAnswer(rebuilt, DetailRules, again, againCount));
    FUZZ_CHECK(againCount == count);
    for (int i = 0; i < count; ++i)
        FUZZ_CHECK(again.Names[i] == rules.Names[i] && again.Values[i] == rules.Values[i]);
    return 0;
}
