#include "Gbk.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <iconv.h>
#endif

namespace {

#ifdef _WIN32
std::string Convert(std::string_view in, unsigned from, unsigned to) {
    if (in.empty())
        return {};
    const int wide = MultiByteToWideChar(from, 0, in.data(), int(in.size()), nullptr, 0);
    std::wstring w(wide, L'\0');
    MultiByteToWideChar(from, 0, in.data(), int(in.size()), w.data(), wide);
    const int n = WideCharToMultiByte(to, 0, w.data(), wide, nullptr, 0, "?", nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(to, 0, w.data(), wide, out.data(), n, "?", nullptr);
    return out;
}
#else
std::string Convert(std::string_view in, const char* to, const char* from) {
    std::string out;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::string(in);
    out.reserve(in.size() * 2);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buffer[256];
    while (srcLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, sizeof buffer - dstLeft);
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            // An invalid or incomplete sequence: replace one byte and go on.
            out.push_back('?');
            ++src;
            --srcLeft;
        }
    }
    iconv_close(cd);
    return out;
}
#endif

#ifdef _WIN32
std::optional<std::string> ConvertStrict(std::string_view in) {
    if (in.empty())
        return std::string();
    const int wide =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, in.data(), int(in.size()), nullptr, 0);
    if (wide <= 0)
        return std::nullopt;
    std::wstring w(wide, L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, in.data(), int(in.size()), w.data(), wide);
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, w.data(), wide, nullptr, 0,
                                      nullptr, &usedDefault);
    if (n <= 0 || usedDefault)
        return std::nullopt;
    std::string out(n, '\0');
    WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, w.data(), wide, out.data(), n, nullptr,
                        &usedDefault);
    if (usedDefault)
        return std::nullopt;
    return out;
}
#else
std::optional<std::string> ConvertStrict(std::string_view in) {
    iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string out;
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buffer[256];
    bool ok = true;
    while (srcLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, sizeof buffer - dstLeft);
        // Anything but a full output buffer is a character GBK lacks or broken UTF-8; a
        // count of irreversible conversions is a character stored as something else.
        if ((r == static_cast<size_t>(-1) && errno != E2BIG) ||
            (r != static_cast<size_t>(-1) && r != 0)) {
            ok = false;
            break;
        }
    }
    iconv_close(cd);
    if (!ok)
        return std::nullopt;
    return out;
}
#endif

} // namespace

std::optional<std::string> Utf8ToGbkStrict(std::string_view utf8) {
    return ConvertStrict(utf8);
}

#ifdef _WIN32
std::string Utf8ToGbk(std::string_view utf8) {
    return Convert(utf8, CP_UTF8, 936);
}
std::string GbkToUtf8(std::string_view gbk) {
    return Convert(gbk, 936, CP_UTF8);
}
#else
std::string Utf8ToGbk(std::string_view utf8) {
    return Convert(utf8, "GBK", "UTF-8");
}
std::string GbkToUtf8(std::string_view gbk) {
    return Convert(gbk, "UTF-8", "GBK");
}
#endif
