// The text-list import on any file: valid, distinct rows up to the first bad line, whose
// export imports again to the same rows without a bad line.
#include "FavoritesFile.h"
#include "FuzzCheck.h"
#include "LineText.h"
#include "TextServerList.h"

#include <set>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const TextListImport import = ParseTextList(bytes);
    const size_t lines = SplitLinesKeepingZeros(bytes).size();

    std::set<std::pair<std::string, std::string>> seen;
    for (const ServerStructure& row : import.Rows) {
        FUZZ_CHECK(ValidateAddressPort(row.IP, row.Port));
        FUZZ_CHECK(seen.insert({row.IP, row.Port}).second);
        ServerStructure blank;
        blank.IP = row.IP;
        blank.Port = row.Port;
        blank.Protocol = "00";
        FUZZ_CHECK(row == blank);
    }
    if (import.BadLine) {
        FUZZ_CHECK(*import.BadLine < lines);
        FUZZ_CHECK(import.Rows.size() <= *import.BadLine);
        FUZZ_CHECK(import.Fault != AddressCheck::Ok);
    } else {
        FUZZ_CHECK(import.Rows.size() <= lines);
        FUZZ_CHECK(import.Fault == AddressCheck::Ok);
    }

    const TextListImport again = ParseTextList(TextListBytes(import.Rows));
    FUZZ_CHECK(!again.BadLine);
    FUZZ_CHECK(again.Rows == import.Rows);
    return 0;
}
