#include "Gbk.h"

#include <gtest/gtest.h>

namespace {

// A typed name or path goes to GBK whole or not at all: a character GBK lacks must never
// become '?' bytes in a file.
TEST(GbkStrict, ConvertsWhatGbkHoldsAndRefusesEverythingElse) {
    struct Case {
        const char* What;
        std::string Utf8;
        std::optional<std::string> Gbk;
    };
    const Case cases[] = {
        {"ascii", "Player 1", std::string("Player 1")},
        {"chinese", "新玩家", std::string("\xD0\xC2\xCD\xE6\xBC\xD2")},
        {"pinyin letter GBK has", "ü", std::string("\xA8\xB9")},
        {"empty", "", std::string()},
        {"letter GBK lacks", "Zoë新", std::nullopt},
        {"emoji", "a😀", std::nullopt},
        {"broken utf-8", "a\xE6\x96", std::nullopt},
        {"lone continuation byte", "\x80", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Utf8ToGbkStrict(c.Utf8), c.Gbk) << c.What;
    // The lenient conversion still turns the same text into '?' bytes, as a network name may.
    EXPECT_EQ(Utf8ToGbk("Zoë"), "Zo??");
}

} // namespace
