#include "GbkText.h"

#include <gtest/gtest.h>

TEST(GbkText, DecodesGbkAndShowsABrokenByteAsAQuestionMark) {
    EXPECT_EQ(GbkToQString("\xd7\xa2\xd2\xe2"), QStringLiteral("注意"));
    // A lead byte without its trail byte, as a cut server name ends.
    EXPECT_EQ(GbkToQString("A\x81"), QStringLiteral("A?"));
    EXPECT_EQ(GbkToQString("\xff"
                           "A"),
              QStringLiteral("?A"));
    EXPECT_EQ(GbkToQString(""), QString());
}

TEST(GbkText, TypedTextRoundTrips) {
    EXPECT_EQ(QStringToGbk(QStringLiteral("注意")), "\xd7\xa2\xd2\xe2");
    EXPECT_EQ(GbkToQString(QStringToGbk(QStringLiteral("玩家 1"))), QStringLiteral("玩家 1"));
}
