// The config.cfg name reader and rewriter on any file and name: a refused name leaves
// the file alone; otherwise the name reads back when the file had a name line, and every
// other line comes back unchanged, in place.
#include "FuzzCheck.h"
#include "LineText.h"
#include "PlayerNameFile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <optional>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string name = in.ConsumeRandomLengthString(40);
    const std::string config = in.ConsumeRemainingBytesAsString();

    const std::string oldName = ReadPlayerName(config);
    FUZZ_CHECK(oldName.find('"') == std::string::npos);

    const std::optional<std::string> rewritten = RewritePlayerName(config, name);
    FUZZ_CHECK(rewritten.has_value() == PlayerNameAllowed(name));
    if (!rewritten)
        return 0;

    // Every line is kept, those after a zero byte too; the name line is looked for among
    // the lines the reader sees.
    const std::vector<std::string> before = SplitLinesKeepingZeros(config);
    const std::vector<std::string> after = SplitLinesKeepingZeros(*rewritten);
    const size_t readable = SplitLines(config).size();
    FUZZ_CHECK(after.size() == before.size());
    std::optional<size_t> nameLine;
    for (size_t i = 0; i < before.size(); ++i) {
        if (!nameLine && i < readable && IsPlayerNameLine(before[i])) {
            nameLine = i;
            FUZZ_CHECK(after[i] == "name \"" + name + '"');
            continue;
        }
        FUZZ_CHECK(after[i] == before[i]);
    }
    FUZZ_CHECK(ReadPlayerName(*rewritten) == (nameLine ? name : oldName));
    // Lines end CR LF, and a second rewrite with the same name changes nothing.
    FUZZ_CHECK(*rewritten == JoinLinesCrLf(after));
    FUZZ_CHECK(RewritePlayerName(*rewritten, name) == rewritten);
    return 0;
}
