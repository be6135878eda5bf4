#pragma once

#include <string>
#include <string_view>

// Conversions between UTF-8 and GBK byte text. Bytes that cannot be converted are
// replaced by '?', so a broken name from the network never stops anything.
std::string Utf8ToGbk(std::string_view utf8);
std::string GbkToUtf8(std::string_view gbk);

// Source files are UTF-8; the system's own texts are GBK. G("...") converts once.
inline std::string G(std::string_view utf8) {
    return Utf8ToGbk(utf8);
}
