#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// Octet 1..4 and the port, as the range ends and manual adds are held.
using AddressPort = std::array<int32_t, 5>;

enum class AddressCheck { Ok, BadAddress, BadPort };

// Checks an address text and a port text (callers trim the address first). On Ok the
// record is filled; otherwise it is left unchanged and the result says which message
// to show. The port is checked before the octet range.
AddressCheck ParseAddressPort(std::string_view address, std::string_view port, AddressPort& out);

// Octet 1 in the highest byte.
uint32_t AddressNumber(const AddressPort& address);

// Dotted decimal text of an address number, octet 1 first, no leading zeros.
std::string AddressText(uint32_t address);

// Blanks (and control bytes) removed from both ends, as the edits' texts are trimmed.
std::string Trim(std::string_view text);
