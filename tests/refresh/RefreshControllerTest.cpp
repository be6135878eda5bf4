#include "RefreshController.h"

#include "FakeClock.h"
#include "FakeServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include <ostream>
#include <string>
#include <vector>

namespace {

struct StepCase {
    const char* Name;
    uint64_t Rows;
    uint32_t Step;
};
void PrintTo(const StepCase& c, std::ostream* os) {
    *os << c.Name;
}

class ProgressStepTest : public ::testing::TestWithParam<StepCase> {};

TEST_P(ProgressStepTest, DividesTheBarByTheRows) {
    EXPECT_EQ(RefreshProgressStep(GetParam().Rows), GetParam().Step);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ProgressStepTest,
    ::testing::Values(StepCase{"None", 0, 10000}, StepCase{"One", 1, 10000},
                      StepCase{"Three", 3, 3333}, StepCase{"TenThousand", 10000, 1},
                      StepCase{"TenThousandAndOne", 10001, 0},
                      // Beyond 32 bits: would wrap to a small count in 32-bit arithmetic.
                      StepCase{"TwoToThe32PlusThree", (uint64_t{1} << 32) + 3, 0}),
    [](const auto& info) { return std::string(info.param.Name); });

struct TextCase {
    const char* Name;
    const char* Text;
    int Ms;
};
void PrintTo(const TextCase& c, std::ostream* os) {
    *os << c.Name;
}

class PeriodTest : public ::testing::TestWithParam<TextCase> {};
TEST_P(PeriodTest, ReadsSecondsAsWholeMilliseconds) {
    EXPECT_EQ(ContinuousPeriodMs(GetParam().Text), GetParam().Ms);
}
INSTANTIATE_TEST_SUITE_P(
    Texts, PeriodTest,
    ::testing::Values(TextCase{"OneSecond", "1", 1000}, TextCase{"Hundred", "100", 100000},
                      TextCase{"Fraction", "2.5", 2500}, TextCase{"Truncated", "0.0019", 1},
                      TextCase{"BelowOneMs", "0.0001", 1}, TextCase{"Zero", "0", 1000},
                      TextCase{"Negative", "-3", 1000}, TextCase{"Word", "abc", 1000},
                      TextCase{"Empty", "", 1000}),
    [](const auto& info) { return std::string(info.param.Name); });

class PauseTest : public ::testing::TestWithParam<TextCase> {};
TEST_P(PauseTest, ReadsTheIntervalAsMilliseconds) {
    EXPECT_EQ(FinalPauseMs(GetParam().Text), GetParam().Ms);
}
INSTANTIATE_TEST_SUITE_P(Texts, PauseTest,
                         ::testing::Values(TextCase{"One", "1", 1}, TextCase{"Many", "250", 250},
                                           TextCase{"Fraction", "2.5", 0},
                                           TextCase{"Negative", "-5", 0},
                                           TextCase{"Word", "abc", 0}, TextCase{"Empty", "", 0}),
                         [](const auto& info) { return std::string(info.param.Name); });

// A controller over a model of its own, sends recorded, on the fake clock.
class Answers : public ::testing::Test {
protected:
    Answers() : Refresh(Model) {
        Refresh.Send = [this](const std::string& host, int port, std::span<const uint8_t>) {
            Sent.push_back(host + ":" + std::to_string(port));
        };
        Refresh.Options = [this] { return Options; };
    }
    static ServerStructure Row(const std::string& ip, const std::string& port) {
        ServerStructure row;
        row.IP = ip;
        row.Port = port;
        row.Protocol = "00";
        row.Answered = true;
        row.Dialect = QueryDialect::Text; // found by a text answer: asked in that dialect
        return row;
    }
    void Take(const FakeServerConfig& server) {
        const std::string answer = BuildInfoAnswer(server);
        Refresh.TakeDatagram(std::span<const uint8_t>(
            reinterpret_cast<const uint8_t*>(answer.data()), answer.size()));
    }
    static FakeServerConfig Server(const std::string& ip, uint16_t port, int protocol = 47) {
        FakeServerConfig config;
        config.Ip = ip;
        config.Port = port;
        config.Name = "Srv " + ip;
        config.Protocol = protocol;
        return config;
    }

    ScopedFakeClock Clock;
    BrowserModel Model;
    RefreshOptions Options;
    RefreshController Refresh;
    std::vector<std::string> Sent;
};

TEST_F(Answers, EachQueryTakesOneAnswerTimedFromItsOwnStamp) {
    Clock.Set(100);
    Model.SearchResults.Add(Row("127.42.50.1", "27015"));
    Model.SearchResults.Add(Row("127.42.50.12", "7015"));
    Refresh.StartRefresh(); // the first row is queried at once
    ASSERT_EQ(Sent, std::vector<std::string>{"127.42.50.1:27015"});
    Clock.Advance(12);
    Take(Server("127.42.50.1", 27015));
    Clock.Advance(30);
    Take(Server("127.42.50.1", 27015)); // a second answer to the same query
    const ServerStructure& first = Model.SearchResults[0];
    EXPECT_EQ(first.Response, "12");
    EXPECT_EQ(first.SentAt, 100u);
    EXPECT_EQ(first.Name, "Srv 127.42.50.1");
    EXPECT_TRUE(first.Alive && first.Answered);
    // The second row was not queried yet: it keeps its old latch and takes nothing.
    EXPECT_EQ(Model.SearchResults[1], Row("127.42.50.12", "7015"));
    Refresh.StopAll();
}

struct DropCase {
    const char* Name;
    const char* Reported; // the answer's "address"
    int Protocol;
    const char* ResultFilter1;
    const char* ResultFilter2;
    bool Taken;
};
void PrintTo(const DropCase& c, std::ostream* os) {
    *os << c.Name;
}

class AnswerFilterTest : public Answers, public ::testing::WithParamInterface<DropCase> {};

TEST_P(AnswerFilterTest, SearchResultsTakeOnlyUsableAnswersOfVersionsSwitchedOn) {
    const DropCase& c = GetParam();
    Options.ResultFilter1 = c.ResultFilter1;
    Options.ResultFilter2 = c.ResultFilter2;
    Model.SearchResults.Add(Row("127.42.50.1", "27015"));
    Model.Favorites.Add(Row("127.42.50.1", "27015"));
    Refresh.StartRefresh();
    FakeServerConfig server = Server("127.42.50.1", 27015, c.Protocol);
    server.ReportedAddress = c.Reported;
    Take(server);
    EXPECT_EQ(Model.SearchResults[0].Answered, c.Taken);
    Refresh.StopAll();
}

INSTANTIATE_TEST_SUITE_P(
    Answers, AnswerFilterTest,
    ::testing::Values(DropCase{"Plain", "127.42.50.1:27015", 47, "1", "1", true},
                      DropCase{"CanonicalOfLeadingZeros", "127.42.50.01:027015", 47, "1", "1",
                               true},
                      DropCase{"OtherServer", "127.42.50.12:7015", 47, "1", "1", false},
                      DropCase{"NoColon", "127.42.50.1", 47, "1", "1", false},
                      DropCase{"BadOctet", "127.42.50.256:27015", 47, "1", "1", false},
                      DropCase{"Cs15Off", "127.42.50.1:27015", 46, "0", "1", false},
                      DropCase{"Cs16Off", "127.42.50.1:27015", 47, "1", "0", false},
                      DropCase{"Cs15OffPasses16", "127.42.50.1:27015", 47, "0", "1", true},
                      DropCase{"OtherVersionPasses", "127.42.50.1:27015", 49, "0", "0", true}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(Answers, FavoritesIgnoreTheVersionFilterAndTakeOneAnswerPerRow) {
    Options.ResultFilter2 = "0";
    Model.Favorites.Add(Row("127.42.50.1", "27015"));
    Model.Favorites.Add(Row("127.42.50.1", "27015"));
    Refresh.StartRefresh();
    // Both rows waiting, as after both were queried.
    Model.Favorites.Update(1, [](ServerStructure& r) { r.Answered = false; });
    Take(Server("127.42.50.1", 27015));
    EXPECT_TRUE(Model.Favorites[0].Answered);
    EXPECT_FALSE(Model.Favorites[1].Answered);
    Take(Server("127.42.50.1", 27015));
    EXPECT_TRUE(Model.Favorites[1].Answered);
    EXPECT_EQ(Model.Favorites[1].Protocol, "47");
    Refresh.StopAll();
}

// Passes run to their end on the test thread's event loop; every view effect is logged.
class Passes : public Answers {
protected:
    Passes() {
        Options.Interval = "0";
        Refresh.RefreshEnabled = [this](bool on) {
            Log.push_back(on ? "refresh on" : "refresh off");
        };
        Refresh.DeleteEnabled = [this](bool on) { Log.push_back(on ? "delete on" : "delete off"); };
        Refresh.ProgressChanged = [this](uint32_t position) {
            if (position == RefreshController::ProgressMax)
                Log.push_back("full");
        };
        Refresh.QueryDetails = [this](const std::string& address) {
            Log.push_back("details " + address);
        };
        Refresh.ResultsCounted = [this] { ++Counted; };
    }
    // Turns the event loop until the condition holds; false after five seconds.
    static bool RunUntil(const std::function<bool()>& done) {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > 5000)
                return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        }
        return true;
    }
    bool RunToEnd() {
        return RunUntil([this] { return Refresh.RunningPasses() == 0; });
    }
    long Count(const std::string& entry) const { return std::count(Log.begin(), Log.end(), entry); }

    std::vector<std::string> Log;
    int Counted = 0;
};

TEST_F(Passes, WithTheFavoritesHiddenAPassNeitherQueriesNorRewritesThem) {
    bool favoritesShown = false;
    Refresh.FavoritesVisible = [&favoritesShown] { return favoritesShown; };
    Model.SearchResults.Add(Row("127.42.51.1", "27015"));
    ServerStructure favorite = Row("127.42.51.2", "27015");
    favorite.Name = "Kept";
    favorite.Response = "12";
    favorite.Alive = true;
    favorite.SentAt = 77;
    Model.Favorites.Add(favorite);
    Model.Favorites.Add(favorite);

    Refresh.StartRefresh();
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Sent, std::vector<std::string>{"127.42.51.1:27015"});
    EXPECT_EQ(Model.Favorites[0], favorite);
    EXPECT_EQ(Model.Favorites[1], favorite);
    // Its server's answer finds no favorite waiting for it.
    Take(Server("127.42.51.2", 27015));
    EXPECT_EQ(Model.Favorites[0], favorite);

    // Shown again, the next pass asks for them.
    favoritesShown = true;
    Sent.clear();
    Refresh.StartRefresh();
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Sent, (std::vector<std::string>{"127.42.51.1:27015", "127.42.51.2:27015",
                                              "127.42.51.2:27015"}));
}

TEST_F(Passes, TheButtonsStayOffUntilTheLastOfTwoOverlappingPassesEnds) {
    for (int i = 1; i <= 4; ++i)
        Model.SearchResults.Add(Row("127.42.52." + std::to_string(i), "27015"));
    Refresh.StartRefresh();
    ASSERT_TRUE(RunUntil([this] { return Sent.size() >= 2; }));
    Refresh.StartRefresh(); // the second pass starts while the first has two rows to go
    ASSERT_TRUE(RunToEnd());
    ASSERT_EQ(Sent.size(), 8u);

    // Each pass fills the bar as it ends; the buttons come back only after the second.
    const auto first = std::find(Log.begin(), Log.end(), "full");
    ASSERT_NE(first, Log.end());
    const auto second = std::find(first + 1, Log.end(), "full");
    ASSERT_NE(second, Log.end());
    for (const char* button : {"refresh on", "delete on"}) {
        SCOPED_TRACE(button);
        EXPECT_EQ(Count(button), 1);
        EXPECT_GT(std::find(Log.begin(), Log.end(), button), second);
    }
    EXPECT_EQ(Log.back(), "delete on");
}

TEST_F(Passes, TheEndOfPassDetailsQueryIsSkippedWhileTheDetailsPanelIsHidden) {
    bool detailsShown = false;
    Refresh.DetailsVisible = [&detailsShown] { return detailsShown; };
    Model.SelectedAddress = "127.42.53.1:27015";
    Model.SearchResults.Add(Row("127.42.53.1", "27015"));

    Refresh.StartRefresh();
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Count("details 127.42.53.1:27015"), 0);

    detailsShown = true;
    Refresh.StartRefresh();
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Count("details 127.42.53.1:27015"), 1);
}

TEST_F(Passes, APassOverEmptyListsStillShowsTheResultsCount) {
    Refresh.StartRefresh();
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Counted, 1);
    EXPECT_EQ(Log.back(), "delete on");
}

// A pass over rows of each dialect: a text row is asked in text, a binary one in binary,
// a favorite of unknown dialect in both; a challenge is answered within the pass on a
// pacing tick of its own; every row takes its one answer by the sender of a binary one,
// and a protocol 48 answer is a 1.6 one for the version filters.
TEST(RefreshDialects, EachRowIsAskedInItsDialectAndTakesItsAnswerOnce) {
    ScopedFakeClock clock;
    clock.Set(1000);
    BrowserModel model;
    RefreshController refresh(model);
    RefreshOptions options;
    options.ResultFilter2 = "0"; // 1.6 answers stay out of the search results
    refresh.Options = [&] { return options; };
    std::vector<std::string> sent; // "ip" and the request's type byte, binary ones sized
    refresh.Send = [&](const std::string& host, int, std::span<const uint8_t> bytes) {
        const char kind = bytes.size() > 4 ? char(bytes[4]) : '?';
        sent.push_back(host + " " + kind + (kind == 'T' ? std::to_string(bytes.size()) : ""));
    };
    const auto runUntil = [](const std::function<bool()>& done) {
        QElapsedTimer elapsed;
        elapsed.start();
        while (!done() && elapsed.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        return done();
    };
    const auto row = [](const std::string& ip, QueryDialect dialect, const std::string& tag) {
        ServerStructure r;
        r.IP = ip;
        r.Port = "27015";
        r.Protocol = tag;
        r.Dialect = dialect;
        r.Answered = true;
        return r;
    };
    const auto take = [&](const std::string& datagram, const std::string& from) {
        refresh.TakeDatagram(
            std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(datagram.data()),
                                     datagram.size()),
            from, 27015);
    };
    const auto server = [](const std::string& ip, int protocol) {
        FakeServerConfig config;
        config.Ip = ip;
        config.Name = "Srv " + ip;
        config.Protocol = protocol;
        config.Bots = 2;
        return config;
    };
    ServerRows& results = model.SearchResults;
    ServerRows& favorites = model.Favorites;
    results.Add(row("127.43.0.1", QueryDialect::Text, "46"));
    results.Add(row("127.43.0.2", QueryDialect::Binary, "46"));
    results.Add(row("127.43.0.3", QueryDialect::Binary, "47"));
    favorites.Add(row("127.43.0.4", QueryDialect::Unknown, "00"));
    refresh.StartRefresh();
    ASSERT_TRUE(runUntil([&] { return sent.size() >= 5; }));
    EXPECT_EQ(sent, (std::vector<std::string>{"127.43.0.1 i", "127.43.0.2 T25", "127.43.0.3 T25",
                                              "127.43.0.4 i", "127.43.0.4 T25"}));

    // The challenge's resend waits for a pacing tick, and is the only one it gets.
    clock.Advance(40);
    take(BuildA2sChallenge(7), "127.43.0.2");
    EXPECT_EQ(sent.size(), 5u);
    EXPECT_EQ(refresh.PendingResends(), 1u);
    ASSERT_TRUE(runUntil([&] { return refresh.PendingResends() == 0; }));
    EXPECT_EQ(sent.back(), "127.43.0.2 T29");
    take(BuildA2sChallenge(7), "127.43.0.9"); // never asked: no resend
    EXPECT_EQ(refresh.PendingResends(), 0u);

    take(BuildInfoAnswer(server("127.43.0.1", 46)), "127.43.0.1");
    take(BuildA2sInfoI(server("127.43.0.2", 46)), "127.43.0.2");
    take(BuildA2sInfoM(server("127.43.0.2", 46)), "127.43.0.2"); // the same query's 'm'
    take(BuildA2sInfoI(server("127.43.0.3", 47)), "127.43.0.3"); // 48: a 1.6 answer
    take(BuildInfoAnswer(server("127.43.0.4", 47)), "127.43.0.4");
    clock.Advance(10);
    take(BuildA2sInfoI(server("127.43.0.4", 47)), "127.43.0.4"); // both dialects: one row

    EXPECT_EQ(results[0].Name, "Srv 127.43.0.1");
    EXPECT_EQ(results[0].Dialect, QueryDialect::Text);
    EXPECT_EQ(results[0].Response, "40");
    EXPECT_EQ(results[1].Name, "Srv 127.43.0.2");
    EXPECT_EQ(results[1].Protocol, "46");
    EXPECT_EQ(results[1].Dialect, QueryDialect::Binary);
    EXPECT_EQ(results[1].Bots, "2");
    EXPECT_EQ(results[1].Version, "1.1.2.7/Stdio");
    EXPECT_EQ(results[1].Response, "40");
    EXPECT_FALSE(results[2].Answered) << "a 1.6 answer is filtered out of the results";
    ASSERT_EQ(favorites.size(), 1u);
    EXPECT_EQ(favorites[0].Name, "Srv 127.43.0.4");
    EXPECT_EQ(favorites[0].Protocol, "47");
    EXPECT_EQ(favorites[0].Response, "40") << "the later binary answer keeps the first's time";
    EXPECT_EQ(favorites[0].Dialect, QueryDialect::Binary);
    EXPECT_EQ(favorites[0].Version, "1.1.2.7/Stdio");
    EXPECT_EQ(favorites[0].Secure, 1);
    ASSERT_TRUE(runUntil([&] { return refresh.RunningPasses() == 0; }));
}
} // namespace
