#include "SearchController.h"

#include "FakeClock.h"
#include "Gbk.h"
#include "MessageTable.h"
#include "SendRecorder.h"

#include <QTest>

#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

// A controller with a recording send function and recorded view callbacks.
class ControllerFixture : public testing::Test {
protected:
    ControllerFixture() {
        Controller.ShowMessage = [this](int m, int c) { Messages.emplace_back(m, c); };
        Controller.StateChanged = [this](const SearchViewState& v) { Views.push_back(v); };
        Controller.ProgressChanged = [this](uint32_t p) { Positions.push_back(p); };
        Controller.Finished = [this] { ++FinishedCount; };
    }

    size_t SentCount() { return Recorder.Count(); }
    bool WaitFinished(int count = 1) {
        return QTest::qWaitFor([&] { return FinishedCount >= count; }, 10000);
    }
    SearchController::BeginResult Begin(std::string from, std::string to,
                                        std::vector<int32_t> ports) {
        From = std::move(from);
        To = std::move(to);
        return Controller.Begin(From, To, ports);
    }

    FakeClock Clock;
    SendRecorder Recorder;
    std::vector<std::pair<std::string, int>>& Sent = Recorder.Sent;
    std::function<void(size_t)>& OnSend = Recorder.OnSend;
    SearchController Controller{Recorder.Function(), Clock};
    std::vector<std::pair<int, int>> Messages;
    std::vector<SearchViewState> Views;
    std::vector<uint32_t> Positions;
    int FinishedCount = 0;
    std::string From, To;
};

TEST_F(ControllerFixture, RefusesWithoutPortsOrWithABadAddress) {
    EXPECT_EQ(Begin("127.30.0.1", "127.30.0.2", {}), SearchController::BeginResult::Refused);
    EXPECT_EQ(Begin("127.30.0.0", "bad", {27015}), SearchController::BeginResult::Refused);
    EXPECT_EQ(Begin("127.30.0.1", "127.30.0.255", {27015}), SearchController::BeginResult::Refused);
    EXPECT_EQ(Begin("127.30.0.1", "127.30.0.2", {0}), SearchController::BeginResult::Refused);
    // one message per refusal: the second box is not checked when the first fails
    EXPECT_EQ(Messages, (std::vector<std::pair<int, int>>{{MsgInvalidPort, MsgNotice},
                                                          {MsgInvalidAddress, MsgNotice},
                                                          {MsgInvalidAddress, MsgNotice},
                                                          {MsgInvalidPort, MsgNotice}}));
    EXPECT_EQ(Controller.State(), SearchState::Idle);
    EXPECT_TRUE(Views.empty());
    EXPECT_EQ(SentCount(), 0u);
}

TEST_F(ControllerFixture, OneAddressTwoPortsEndsWithTheExactLogAndTime) {
    Clock.Set(1000);
    OnSend = [this](size_t) { Clock.Advance(6); };
    ASSERT_EQ(Begin(" 127.30.0.1 ", "127.30.0.1", {27015, 27016}),
              SearchController::BeginResult::Started);
    ASSERT_FALSE(Views.empty());
    EXPECT_EQ(Views.back().BeginCaption, G("暂停"));
    EXPECT_EQ(Views.back().Glyph, BeginGlyph::Image1);
    EXPECT_FALSE(Views.back().BoxesEnabled);
    EXPECT_TRUE(Views.back().StopEnabled);
    ASSERT_TRUE(WaitFinished());
    EXPECT_EQ(Controller.Log().Lines(),
              (Lines{G("搜索开始 ..."), G("IP 地址: 127.30.0.1"), G("端口: 27016"), G("总计:  2"),
                     G("搜索结束 !"), G("用时 : 12 ms ! ")}));
    EXPECT_EQ(Controller.SearchStartTick(), 1000u);
    EXPECT_EQ(Controller.SearchEndTick(), 1012u);
    // the bar is full at the requests and empty at the end
    ASSERT_GE(Positions.size(), 2u);
    EXPECT_EQ(Positions.front(), ProgressMax);
    EXPECT_EQ(Positions.back(), 0u);
    EXPECT_EQ(Controller.State(), SearchState::Idle);
    EXPECT_EQ(Views.back().BeginCaption, G("开始"));
    EXPECT_EQ(Views.back().Glyph, BeginGlyph::Image2);
    EXPECT_TRUE(Views.back().BoxesEnabled);
    EXPECT_FALSE(Views.back().StopEnabled);
}

TEST_F(ControllerFixture, DownwardRangeIsExchangedWithItsTexts) {
    ASSERT_EQ(Begin("127.30.0.9", " 127.30.0.7", {27015}), SearchController::BeginResult::Started);
    EXPECT_TRUE(Controller.RangeSwapped());
    EXPECT_EQ(From, " 127.30.0.7");
    EXPECT_EQ(To, "127.30.0.9");
    EXPECT_EQ(Controller.FromAddress(), (AddressPort{127, 30, 0, 7, 27015}));
    EXPECT_LT(Controller.RangeStart(), Controller.RangeEnd());
    ASSERT_TRUE(WaitFinished());
    EXPECT_EQ(Sent.front().first, "127.30.0.7");
    EXPECT_EQ(Sent.back().first, "127.30.0.9");
}

TEST_F(ControllerFixture, ClearedLogStaysEmptyUntilTheFinalLines) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    OnSend = [&](size_t n) {
        if (n == 1)
            released.wait();
    };
    ASSERT_EQ(Begin("127.30.0.1", "127.30.0.5", {27015}), SearchController::BeginResult::Started);
    ASSERT_TRUE(QTest::qWaitFor([&] { return SentCount() == 1; }, 5000));
    Controller.ClearLog();
    release.set_value();
    ASSERT_TRUE(WaitFinished());
    ASSERT_EQ(Controller.Log().Lines().size(), 2u);
    EXPECT_EQ(Controller.Log().Lines()[0], G("搜索结束 !"));
    EXPECT_EQ(SentCount(), 5u);
}

TEST_F(ControllerFixture, PauseAndContinueByTheBeginButton) {
    std::atomic<bool> gate{false};
    OnSend = [&](size_t n) {
        if (n == 2)
            while (!gate.load())
                std::this_thread::sleep_for(1ms);
    };
    ASSERT_EQ(Begin("127.30.0.1", "127.30.0.6", {27015}), SearchController::BeginResult::Started);
    ASSERT_TRUE(QTest::qWaitFor([&] { return SentCount() == 2; }, 5000));
    EXPECT_EQ(Begin(From, To, {27015}), SearchController::BeginResult::Paused);
    EXPECT_EQ(Views.back().BeginCaption, G("继续"));
    EXPECT_EQ(Views.back().Glyph, BeginGlyph::Image2);
    EXPECT_TRUE(Views.back().StopEnabled);
    gate = true;
    QTest::qWait(50);
    EXPECT_EQ(SentCount(), 2u) << "no request may leave while paused";
    EXPECT_TRUE(Controller.SearchPaused());
    EXPECT_EQ(Begin(From, To, {27015}), SearchController::BeginResult::Continued);
    EXPECT_EQ(Views.back().BeginCaption, G("暂停"));
    ASSERT_TRUE(WaitFinished());
    EXPECT_EQ(SentCount(), 6u);
}

TEST_F(ControllerFixture, StopShowsRestAtOnceAndTheWorkerWritesTheFinalLines) {
    std::atomic<bool> gate{false};
    OnSend = [&](size_t n) {
        if (n == 1)
            while (!gate.load())
                std::this_thread::sleep_for(1ms);
    };
    ASSERT_EQ(Begin("127.30.0.1", "127.30.0.50", {27015, 27016}),
              SearchController::BeginResult::Started);
    ASSERT_TRUE(QTest::qWaitFor([&] { return SentCount() == 1; }, 5000));
    Controller.Stop();
    EXPECT_EQ(Controller.State(), SearchState::Stopping);
    EXPECT_FALSE(Controller.Searching());
    EXPECT_EQ(Views.back().BeginCaption, G("开始"));
    EXPECT_FALSE(Views.back().StopEnabled);
    EXPECT_TRUE(Views.back().BoxesEnabled);
    EXPECT_EQ(Controller.ProgressPosition(), 0u);
    gate = true;
    ASSERT_TRUE(WaitFinished());
    EXPECT_EQ(SentCount(), 2u); // both ports of the current address, then the end
    EXPECT_EQ(Controller.State(), SearchState::Idle);
    EXPECT_EQ(Controller.Log().Lines()[3], G("总计:  2"));
    EXPECT_EQ(Controller.Log().Lines()[4], G("搜索结束 !"));
}

TEST_F(ControllerFixture, StopWhilePausedLetsTheWorkerEnd) {
    std::atomic<bool> gate{false};
    OnSend = [&](size_t n) {
        if (n == 1)
            while (!gate.load())
                std::this_thread::sleep_for(1ms);
    };
    ASSERT_EQ(Begin("127.30.0.1", "127.30.0.50", {27015}), SearchController::BeginResult::Started);
    ASSERT_TRUE(QTest::qWaitFor([&] { return SentCount() == 1; }, 5000));
    Controller.Begin(From, To, {27015}); // pause
    gate = true;
    Controller.Stop();
    ASSERT_TRUE(WaitFinished());
    EXPECT_EQ(SentCount(), 1u);
}

TEST_F(ControllerFixture, NewStartWhileTheOldWalkFinishesWaitsAndKeepsOneLog) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    OnSend = [&](size_t n) {
        if (n == 1)
            released.wait();
    };
    ASSERT_EQ(Begin("127.30.0.1", "127.30.0.50", {27015}), SearchController::BeginResult::Started);
    ASSERT_TRUE(QTest::qWaitFor([&] { return SentCount() == 1; }, 5000));
    Controller.Stop();
    std::thread releaser([&] {
        std::this_thread::sleep_for(30ms);
        release.set_value();
    });
    ASSERT_EQ(Begin("127.30.0.100", "127.30.0.102", {27015}),
              SearchController::BeginResult::Started);
    releaser.join();
    ASSERT_TRUE(WaitFinished());
    QTest::qWait(30); // a late end notice of the first walk would arrive now
    EXPECT_EQ(FinishedCount, 1);
    EXPECT_EQ(Sent.size(), 4u);
    const Lines& lines = Controller.Log().Lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[1], G("IP 地址: 127.30.0.102"));
    EXPECT_EQ(lines[3], G("总计:  3"));
}

TEST(SearchControllerLifetime, DestructionWhilePausedJoinsTheWorker) {
    FakeClock clock;
    std::atomic<int> sent{0};
    auto controller = std::make_unique<SearchController>(
        [&](const std::string&, int, std::span<const uint8_t>) { ++sent; }, clock);
    std::string from = "127.30.0.1", to = "127.30.10.1";
    ASSERT_EQ(controller->Begin(from, to, {27015}), SearchController::BeginResult::Started);
    controller->Begin(from, to, {27015}); // pause
    controller.reset();
    const int after = sent.load();
    QTest::qWait(20);
    EXPECT_EQ(sent.load(), after);
}

} // namespace
