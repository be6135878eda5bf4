#include "SearchLog.h"

#include "Gbk.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

TEST(SearchLog, SetLineReplacesAppendsAtTheEndAndIgnoresBeyond) {
    SearchLog log;
    log.SetLine(1, "lost"); // beyond an empty log
    EXPECT_TRUE(log.Lines().empty());
    log.SetLine(0, "a"); // equal to the count: appended
    log.SetLine(1, "b");
    log.SetLine(0, "A"); // replaced
    log.SetLine(5, "lost");
    EXPECT_EQ(log.Lines(), (Lines{"A", "b"}));
    EXPECT_EQ(log.Text(), "A\r\nb");
}

TEST(SearchLog, RequestLinesAfterReset) {
    SearchLog log;
    log.Reset();
    EXPECT_EQ(log.Lines(), (Lines{G("搜索开始 ..."), "", ""}));
    log.ShowRequest("127.30.0.1", 27015, 1);
    log.ShowRequest("127.30.0.1", 27016, 2);
    EXPECT_EQ(log.Lines(), (Lines{G("搜索开始 ..."), G("IP 地址: 127.30.0.1"), G("端口: 27016"),
                                  G("总计:  2")}));
    log.ShowFinish(37);
    EXPECT_EQ(log.Lines().size(), 6u);
    EXPECT_EQ(log.Lines()[4], G("搜索结束 !"));
    EXPECT_EQ(log.Lines()[5], G("用时 : 37 ms ! "));
}

TEST(SearchLog, ClearedLogShowsOnlyTheFinalLines) {
    SearchLog log;
    log.Reset();
    log.ShowRequest("127.30.0.1", 27015, 1);
    log.Clear();
    for (int i = 2; i < 10; ++i)
        log.ShowRequest("127.30.0.2", 27015, static_cast<uint64_t>(i));
    EXPECT_TRUE(log.Lines().empty());
    log.ShowFinish(5);
    EXPECT_EQ(log.Lines(), (Lines{G("搜索结束 !"), G("用时 : 5 ms ! ")}));
}

} // namespace
