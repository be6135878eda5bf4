// ParseInfoAnswer on any datagram, marked as a receiver marks it: it accepts exactly the
// tagged answers, leaves the record alone otherwise, and what it reads is a fixed point
// (an answer rebuilt from the parsed pairs parses to the same pairs).
#include "FuzzCheck.h"
#include "QueryProtocol.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

ServerInfoStructure Sentinel() {
    ServerInfoStructure info;
    for (int i = 0; i < InfoPairCount; ++i) {
        info.Keys[i] = "k" + std::to_string(i);
        info.Values[i] = "v" + std::to_string(i);
    }
    return info;
}

// An answer as a server would send it for these pairs; trailing empty pairs are left out.
Bytes Rebuild(const ServerInfoStructure& info) {
    int last = InfoPairCount;
    while (last > 0 && info.Keys[last - 1].empty() && info.Values[last - 1].empty())
        --last;
    std::string text = "\xFF\xFF\xFF\xFFinfostringresponse";
    text += '\0';
    for (int i = 0; i < last; ++i)
        text += '\\' + info.Keys[i] + '\\' + info.Values[i];
    text += '\0';
    return Bytes(text.begin(), text.end());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> datagram(data, data + size);
    MarkInfoHeader(datagram);

    ServerInfoStructure info = Sentinel();
    const bool accepted = ParseInfoAnswer(datagram, info);

    const size_t textLength =
        static_cast<size_t>(std::find(datagram.begin(), datagram.end(), 0) - datagram.begin());
    const bool tagged =
        textLength >= 22 && std::memcmp(datagram.data() + 4, "infostringresponse", 18) == 0;
    FUZZ_CHECK(accepted == tagged);
    FUZZ_CHECK(accepted == LooksLikeInfoAnswer(datagram) || textLength < 22);
    if (!accepted) {
        FUZZ_CHECK(info.Keys == Sentinel().Keys && info.Values == Sentinel().Values);
        return 0;
    }

    size_t total = 0;
    for (int i = 0; i < InfoPairCount; ++i) {
        for (const std::string* field : {&info.Keys[i], &info.Values[i]}) {
            FUZZ_CHECK(field->find('\\') == std::string::npos);
            FUZZ_CHECK(field->find('\0') == std::string::npos);
            total += field->size();
        }
    }
    FUZZ_CHECK(total <= textLength);

    ServerInfoStructure again = Sentinel();
    Bytes rebuilt = Rebuild(info);
    MarkInfoHeader(rebuilt);
    FUZZ_CHECK(ParseInfoAnswer(rebuilt, again));
    FUZZ_CHECK(again.Keys == info.Keys && again.Values == info.Values);

    // The later of two equal keys wins.
    for (int i = 0; i < InfoPairCount; ++i) {
        int lastSame = i;
        for (int j = i + 1; j < InfoPairCount; ++j)
            if (info.Keys[j] == info.Keys[i])
                lastSame = j;
        FUZZ_CHECK(InfoValue(info, info.Keys[i]) == info.Values[lastSame]);
    }
    return 0;
}
