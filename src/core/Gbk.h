#pragma once

#include <optional>
#include <string>
#include <string_view>

// Conversions between UTF-8 and GBK byte text. Bytes that cannot be converted are
// replaced by '?', so a broken name from the network never stops anything.
std::string Utf8ToGbk(std::string_view utf8);
std::string GbkToUtf8(std::string_view gbk);

// UTF-8 text a user typed, as GBK, or none when it holds a character GBK cannot hold (or
// is no valid UTF-8): a name or a path must be refused then, never stored mangled.
std::optional<std::string> Utf8ToGbkStrict(std::string_view utf8);

// Source files are UTF-8; the system's own texts are GBK. G("...") converts once.
inline std::string G(std::string_view utf8) {
    return Utf8ToGbk(utf8);
}
