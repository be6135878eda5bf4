#include "NativeText.h"

#include "Gbk.h"

std::string NativeText(const std::string& utf8) {
#ifdef _WIN32
    return Utf8ToGbk(utf8);
#else
    return utf8;
#endif
}
