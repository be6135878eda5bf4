#include "SearchThread.h"

#include "AddressCheck.h"
#include "FakeClock.h"
#include "SendRecorder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;

uint32_t Ip(const char* text) {
    AddressPort a{};
    EXPECT_EQ(ParseAddressPort(text, "1", a), AddressCheck::Ok) << text;
    return AddressNumber(a);
}

// Bounded wait on a condition that another thread makes true.
template <class F> bool WaitUntil(F condition, std::chrono::milliseconds limit = 5s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

void RunToEnd(SearchThread& thread, SearchRange range) {
    std::promise<void> done;
    thread.Start(std::move(range), [&] { done.set_value(); });
    ASSERT_EQ(done.get_future().wait_for(10s), std::future_status::ready);
    thread.Join();
}

struct StepCase {
    uint32_t Start, End;
    size_t Ports;
    uint32_t Step;
};

void PrintTo(const StepCase& c, std::ostream* os) {
    *os << c.Start << ".." << c.End << " x" << c.Ports;
}

class ProgressStepTable : public testing::TestWithParam<StepCase> {};

TEST_P(ProgressStepTable, RoundsDownInWholeSteps) {
    const StepCase& c = GetParam();
    EXPECT_EQ(ProgressStep(c.Start, c.End, c.Ports), c.Step);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgressStepTable,
    testing::Values(StepCase{10, 10, 2, ProgressMax}, // one address: full at once
                    StepCase{10, 11, 1, 500000},      //
                    StepCase{Ip("127.30.0.1"), Ip("127.30.0.254"), 3, 1312}, // 762 requests
                    StepCase{1, 1000000, 1, 1},           // exactly 1,000,000 requests
                    StepCase{1, 500000, 2, 1},            //
                    StepCase{1, 1000001, 1, 0},           // more than 1,000,000: no step
                    StepCase{0, 0xFFFFFFFFu, 1, 0},       // whole space: no wrap to 0
                    StepCase{0, 0xFFFFFFFFu, 65535, 0},   // no 32-bit wrap of the product
                    StepCase{0x10000, 0x1FFFF, 65536, 0}, // 2^32 requests: no divide by 0
                    StepCase{1, 3, 0, 0}));               // no ports

TEST(ProgressPosition, AddsStepsAndStaysWithinTheBar) {
    EXPECT_EQ(ProgressPosition(5, 5, 2, 1), ProgressMax);
    EXPECT_EQ(ProgressPosition(1, 3, 1, 3), 999999u);
    EXPECT_EQ(ProgressPosition(1, 3, 1, 0), 0u);
    EXPECT_EQ(ProgressPosition(0, 0xFFFFFFFFu, 1, 123456789), 0u);
}

TEST(SearchThread, WalksUpwardsAllPortsPerAddressAndSkipsOctets0And255) {
    SendRecorder rec;
    SearchThread thread(rec.Function());
    RunToEnd(thread, {Ip("127.30.0.254"), Ip("127.30.1.1"), {27016, 27015}});
    const std::vector<std::pair<std::string, int>> expected{{"127.30.0.254", 27016},
                                                            {"127.30.0.254", 27015},
                                                            {"127.30.1.1", 27016},
                                                            {"127.30.1.1", 27015}};
    EXPECT_EQ(rec.Sent, expected);
    const SearchThread::Snapshot last = thread.Latest();
    EXPECT_EQ(last.Count, 4u);
    EXPECT_EQ(AddressText(last.Address), "127.30.1.1");
    EXPECT_EQ(last.Port, 27015);
    // 4 addresses × 2 ports = 8 planned, step 125000; only 4 requests were sent
    EXPECT_EQ(last.Position, 500000u);
}

TEST(SearchThread, SingleAddressFillsTheBarAndTakesTheEndTick) {
    SendRecorder rec;
    FakeClock clock;
    clock.Set(5000);
    rec.OnSend = [&](size_t) { clock.Advance(7); };
    SearchThread thread(rec.Function(), clock);
    RunToEnd(thread, {Ip("127.30.0.1"), Ip("127.30.0.1"), {27015, 27016}});
    EXPECT_EQ(thread.Latest().Count, 2u);
    EXPECT_EQ(thread.Latest().Position, ProgressMax);
    EXPECT_EQ(thread.EndTick(), 5014u);
    EXPECT_TRUE(thread.Finished());
}

// A worker built with the default clock reads whichever clock is installed when it runs,
// and the previous clock comes back when a replacement ends.
TEST(SearchThread, DefaultClockFollowsTheProcessWideReplacement) {
    SendRecorder rec;
    SearchThread thread(rec.Function());
    const SearchRange oneAddress{Ip("127.30.0.1"), Ip("127.30.0.1"), {27015}};
    ScopedFakeClock outer;
    outer.Set(5000);
    {
        ScopedFakeClock inner;
        inner.Set(123456);
        RunToEnd(thread, oneAddress);
        EXPECT_EQ(thread.EndTick(), 123456u);
    }
    RunToEnd(thread, oneAddress);
    EXPECT_EQ(thread.EndTick(), 5000u);
}

TEST(SearchThread, PauseHoldsBetweenRequestsUntilContinue) {
    SendRecorder rec;
    SearchThread thread(rec.Function());
    rec.OnSend = [&](size_t n) {
        if (n == 3)
            thread.Pause();
    };
    std::promise<void> done;
    thread.Start({Ip("127.30.0.1"), Ip("127.30.0.4"), {27015, 27016}}, [&] { done.set_value(); });
    ASSERT_TRUE(WaitUntil([&] { return thread.Held(); }));
    EXPECT_EQ(rec.Count(), 3u);
    EXPECT_EQ(thread.Latest().Count, 3u);
    EXPECT_TRUE(thread.Active());
    thread.Continue();
    ASSERT_EQ(done.get_future().wait_for(10s), std::future_status::ready);
    EXPECT_EQ(rec.Count(), 8u);
}

TEST(SearchThread, StopTakesEffectAfterTheCurrentAddress) {
    SendRecorder rec;
    SearchThread thread(rec.Function());
    rec.OnSend = [&](size_t n) {
        if (n == 3) // first port of the second address
            thread.RequestStop();
    };
    RunToEnd(thread, {Ip("127.30.0.1"), Ip("127.30.0.9"), {27015, 27016}});
    EXPECT_EQ(rec.Count(), 4u);
    EXPECT_EQ(rec.Sent.back(), (std::pair<std::string, int>{"127.30.0.2", 27016}));
}

TEST(SearchThread, StopWhilePausedFinishesTheAddressAndEnds) {
    SendRecorder rec;
    SearchThread thread(rec.Function());
    rec.OnSend = [&](size_t n) {
        if (n == 1)
            thread.Pause();
    };
    std::promise<void> done;
    thread.Start({Ip("127.30.0.1"), Ip("127.30.0.9"), {27015, 27016, 27017}},
                 [&] { done.set_value(); });
    ASSERT_TRUE(WaitUntil([&] { return thread.Held(); }));
    thread.RequestStop();
    ASSERT_EQ(done.get_future().wait_for(10s), std::future_status::ready);
    EXPECT_EQ(rec.Count(), 3u);
}

TEST(SearchThread, DestructionReleasesAPauseAndSendsNoMore) {
    SendRecorder rec;
    auto thread = std::make_unique<SearchThread>(rec.Function());
    rec.OnSend = [&](size_t n) {
        if (n == 1)
            thread->Pause();
    };
    thread->Start({Ip("127.30.0.1"), Ip("127.30.0.9"), {27015, 27016}});
    ASSERT_TRUE(WaitUntil([&] { return thread->Held(); }));
    thread.reset(); // must join, not hang
    EXPECT_EQ(rec.Count(), 1u);
}

TEST(SearchThread, ASecondStartWaitsForThePreviousWalk) {
    SendRecorder rec;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    rec.OnSend = [&](size_t n) {
        if (n == 1)
            released.wait(); // the first walk is stuck in its first send
    };
    SearchThread thread(rec.Function());
    thread.Start({Ip("127.30.0.1"), Ip("127.30.0.9"), {27015}});
    ASSERT_TRUE(WaitUntil([&] { return rec.Count() == 1; }));
    std::thread releaser([&] {
        std::this_thread::sleep_for(50ms);
        release.set_value();
    });
    RunToEnd(thread, {Ip("127.30.0.20"), Ip("127.30.0.21"), {27015}});
    releaser.join();
    // The first walk was stopped after its address and nothing of it came afterwards.
    EXPECT_EQ(rec.Sent,
              (std::vector<std::pair<std::string, int>>{
                  {"127.30.0.1", 27015}, {"127.30.0.20", 27015}, {"127.30.0.21", 27015}}));
}

} // namespace
