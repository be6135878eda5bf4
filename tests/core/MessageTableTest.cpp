#include "MessageTable.h"
#include "Gbk.h"

#include <gtest/gtest.h>

TEST(MessageTable, HoldsTheTextsAsGbkBytesWithTheirBlanks) {
    const MessageTable table;
    ASSERT_EQ(table.size(), 24);
    EXPECT_EQ(table[MsgNotice], "\xD7\xA2\xD2\xE2"); // 注意 in GBK
    EXPECT_EQ(GbkToUtf8(table[MsgInvalidAddress]), " 无效的 IP 地址 ! ");
    EXPECT_EQ(GbkToUtf8(table[MsgSearchIntervalTooSmall]), " 搜索时间间隔过小，无法执行  ! ");
    EXPECT_EQ(table[MsgCannotReadId], table[MsgCannotReadId2]);
    EXPECT_EQ(GbkToUtf8(table[MsgEmptyId]), " ID 不允许为空 ! ");
    EXPECT_THROW(table[24], std::out_of_range);
}

TEST(Gbk, RoundTripsAndReplacesBrokenBytes) {
    EXPECT_EQ(GbkToUtf8(Utf8ToGbk("搜索结果 : 12")), "搜索结果 : 12");
    EXPECT_EQ(GbkToUtf8("ok\xFF"), "ok?"); // a lone lead byte at the end
    EXPECT_EQ(Utf8ToGbk(""), "");
}
