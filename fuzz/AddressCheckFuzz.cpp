// The address and port check on any two texts: it agrees with the favorites' check,
// fills its record only when it passes, and then the numbers lie in range, spell the
// texts' numbers, and their canonical texts pass the check again to the same numbers.
#include "AddressCheck.h"
#include "AnswerRecord.h"
#include "FavoritesFile.h"
#include "FuzzCheck.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string address = in.ConsumeRandomLengthString(32);
    const std::string port = in.ConsumeRemainingBytesAsString();

    const AddressPort untouched{-5, -5, -5, -5, -5};
    AddressPort numbers = untouched;
    const AddressCheck check = ParseAddressPort(address, port, numbers);
    FUZZ_CHECK((check == AddressCheck::Ok) == ValidateAddressPort(address, port));
    const auto canonical = CanonicalAddress(address, port);
    FUZZ_CHECK(canonical.has_value() == (check == AddressCheck::Ok));
    if (check != AddressCheck::Ok) {
        FUZZ_CHECK(numbers == untouched);
        return 0;
    }
    for (size_t i = 0; i < 4; ++i)
        FUZZ_CHECK(numbers[i] >= 0 && numbers[i] <= 255);
    FUZZ_CHECK(numbers[3] != 0 && numbers[3] != 255);
    FUZZ_CHECK(numbers[4] >= 1 && numbers[4] <= 65535);
    FUZZ_CHECK(ParseInt32(port) == numbers[4]);
    // Exactly three dots, and nothing but signs and digits around them.
    FUZZ_CHECK(std::count(address.begin(), address.end(), '.') == 3);
    FUZZ_CHECK(address.find_first_not_of("0123456789.+-") == std::string::npos);

    AddressPort again = untouched;
    FUZZ_CHECK(ParseAddressPort(canonical->IP, canonical->Port, again) == AddressCheck::Ok);
    FUZZ_CHECK(again == numbers);
    FUZZ_CHECK(canonical->IP == AddressText(AddressNumber(numbers)));
    FUZZ_CHECK(canonical->Port == std::to_string(numbers[4]));

    const std::string trimmed = Trim(address + " \t\r\n");
    FUZZ_CHECK(trimmed == Trim(trimmed));
    return 0;
}
