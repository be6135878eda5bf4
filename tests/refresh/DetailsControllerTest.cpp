#include "DetailsController.h"

#include "FakeClock.h"
#include "FakeServer.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::string PickedIp = "127.77.0.6";
constexpr uint16_t PickedPort = 27015;

FakeServerConfig Server(const std::string& ip, uint16_t port, const std::string& name) {
    FakeServerConfig config;
    config.Ip = ip;
    config.Port = port;
    config.Name = name;
    config.Map = "de_inferno";
    config.Players = 3;
    config.MaxPlayers = 12;
    return config;
}

ServerStructure Waiting(const std::string& ip, uint16_t port) {
    ServerStructure row;
    row.IP = ip;
    row.Port = std::to_string(port);
    row.Protocol = "00";
    row.Answered = true;
    row.Dialect = QueryDialect::Text; // found by a text answer: asked in that dialect
    return row;
}

// The controller over a model of its own: requests recorded with their destination and
// kind ('i', 'p', 'r'), the panel's lists recorded, the page chosen by the fixture.
class DetailsFixture : public ::testing::Test {
protected:
    DetailsFixture() : Details(Model, Clock) {
        Details.Send = [this](const std::string& host, int port, std::span<const uint8_t> bytes) {
            const char kind = bytes.size() == 16 ? 'i' : bytes.size() == 12 ? 'p' : 'r';
            Sent.push_back(host + ":" + std::to_string(port) + " " + kind);
        };
        Details.ResultFilters = [this] { return Filters; };
        Details.View.ActivePage = [this] { return Page; };
        Details.View.FillRulesList = [this](const std::vector<RuleLine>& rules) { Rules = rules; };
        Details.View.FillPlayersList = [this](const std::vector<PlayerLine>& players) {
            Players = players;
        };
    }
    // The picked server's row in the search results, picked.
    void PickServer() {
        Model.SearchResults.Add(Waiting(PickedIp, PickedPort));
        Details.RequestDetails(Model.SearchResults,
                               Model.SearchResults.Find(PickedIp, std::to_string(PickedPort))[0]);
        Sent.clear();
    }
    void Take(const std::string& datagram, const std::string& fromIp, uint16_t fromPort) {
        Details.TakeDatagram(
            std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(datagram.data()),
                                     datagram.size()),
            fromIp, fromPort);
    }
    const std::string& Box(int i) const { return Details.Boxes()[static_cast<size_t>(i)]; }
    bool PanelEmpty() const {
        for (const std::string& text : Details.Boxes())
            if (!text.empty())
                return false;
        return Rules.empty() && Players.empty();
    }

    FakeClock Clock;
    BrowserModel Model;
    DetailsController Details;
    std::pair<std::string, std::string> Filters{"1", "1"};
    int Page = 0;
    std::vector<std::string> Sent;
    std::vector<RuleLine> Rules;
    std::vector<PlayerLine> Players;
};

struct SenderCase {
    const char* Name;
    const char* FromIp;
    uint16_t FromPort;
};
void PrintTo(const SenderCase& c, std::ostream* os) {
    *os << c.Name;
}

class FollowedSender : public DetailsFixture, public ::testing::WithParamInterface<SenderCase> {};

// A multi-homed or NAT'ed server answers from another port or address than the one it was
// asked at; its info answer names the picked server, so the panel takes it and asks that
// sender for the rest.
TEST_P(FollowedSender, AnInfoAnswerNamingThePickedServerFillsThePanelAndItsSenderIsAsked) {
    const SenderCase& c = GetParam();
    FakeServerConfig server = Server(c.FromIp, c.FromPort, "Campus NAT");
    server.ReportedAddress = PickedIp + ":" + std::to_string(PickedPort);
    PickServer();

    Take(BuildInfoAnswer(server), c.FromIp, c.FromPort);
    EXPECT_EQ(Box(0), "Campus NAT");
    EXPECT_EQ(Box(1), "127.77.0.6:27015");
    EXPECT_EQ(Box(17), "CS 1.6");
    const std::string sender = std::string(c.FromIp) + ":" + std::to_string(c.FromPort);
    EXPECT_EQ(Sent, std::vector<std::string>{sender + " r"});
    EXPECT_EQ(Model.SearchResults[0].Name, "Campus NAT");

    // A rules answer from the address it was asked at is not this server's any more.
    Take(BuildRulesAnswer(server), PickedIp, PickedPort);
    EXPECT_TRUE(Rules.empty());
    Take(BuildRulesAnswer(server), c.FromIp, c.FromPort);
    EXPECT_EQ(Rules.size(), server.Rules.size());
    EXPECT_EQ(Box(9), "1.5"); // mp_buytime
}

INSTANTIATE_TEST_SUITE_P(Senders, FollowedSender,
                         ::testing::Values(SenderCase{"AnotherPort", "127.77.0.6", 27099},
                                           SenderCase{"AnotherAddress", "127.77.0.7", 27015}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(DetailsFixture, AnswersThatDoNotNameThePickedServerNeverFillThePanel) {
    // Another game server on the picked server's host, waiting in the results too.
    const FakeServerConfig neighbour = Server(PickedIp, 27016, "Neighbour");
    ServerStructure waiting = Waiting(PickedIp, 27016);
    waiting.Answered = false;
    Model.SearchResults.Add(waiting);
    PickServer();
    ASSERT_EQ(Model.SelectedAddress, "127.77.0.6:27015");

    Take(BuildInfoAnswer(neighbour), PickedIp, 27016);
    EXPECT_TRUE(PanelEmpty());
    EXPECT_TRUE(Sent.empty()) << Sent.front();
    EXPECT_EQ(Model.DetailState.load(), DetailInfo);
    // The answer still serves its own row.
    EXPECT_EQ(Model.SearchResults[*Model.SearchResults.FindFirst(PickedIp, "27016")].Name,
              "Neighbour");

    // The picked server's own answer moves on; the neighbour's rules are not its rules.
    const FakeServerConfig picked = Server(PickedIp, PickedPort, "Picked");
    Take(BuildInfoAnswer(picked), PickedIp, PickedPort);
    EXPECT_EQ(Box(0), "Picked");
    ASSERT_EQ(Sent, std::vector<std::string>{"127.77.0.6:27015 r"});
    Take(BuildRulesAnswer(neighbour), PickedIp, 27016);
    EXPECT_TRUE(Rules.empty());
    EXPECT_EQ(Box(6), "");
    Take(BuildRulesAnswer(picked), PickedIp, PickedPort);
    EXPECT_FALSE(Rules.empty());
}

TEST_F(DetailsFixture, ALateAnswerOfTheServerPickedBeforeNeverFillsThePanel) {
    const FakeServerConfig before = Server("127.77.0.9", 27015, "Before");
    Model.SearchResults.Add(Waiting("127.77.0.9", 27015));
    Details.RequestDetails(Model.SearchResults, 0);
    PickServer();
    Take(BuildInfoAnswer(before), "127.77.0.9", 27015);
    EXPECT_TRUE(PanelEmpty());
    EXPECT_TRUE(Sent.empty());
}

// 46 names CS 1.5, 47 and today's 48 CS 1.6, another game its folder; an unknown
// Counter-Strike protocol leaves the box as the last answer set it.
TEST_F(DetailsFixture, VersionBoxNamesEveryKnownVersionAndAnotherGamesFolder) {
    PickServer();
    FakeServerConfig server = Server(PickedIp, PickedPort, "Versions");
    struct Step {
        int Protocol;
        const char* Folder;
        const char* Version;
    };
    for (const Step& step : {Step{46, "cstrike", "CS 1.5"}, Step{45, "cstrike", "CS 1.5"},
                             Step{48, "cstrike", "CS 1.6"}, Step{47, "CSTRIKE", "CS 1.6"},
                             Step{99, "cstrike", "CS 1.6"}, Step{48, "valve", "valve"},
                             Step{46, "cstrike", "CS 1.5"}}) {
        SCOPED_TRACE(std::to_string(step.Protocol) + " " + step.Folder);
        server.Protocol = step.Protocol;
        server.GameDir = step.Folder;
        server.Name = "Versions " + std::to_string(step.Protocol);
        Details.QueryDetails(Model.SelectedAddress);
        Take(BuildInfoAnswer(server), PickedIp, PickedPort);
        EXPECT_EQ(Box(0), server.Name);
        EXPECT_EQ(Box(17), step.Version);
    }
}

struct FilterCase {
    const char* Name;
    const char* Filter1;
    const char* Filter2;
    int Protocol;
    bool ResultsTake;
};
void PrintTo(const FilterCase& c, std::ostream* os) {
    *os << c.Name;
}

class DetailsFilter : public DetailsFixture, public ::testing::WithParamInterface<FilterCase> {};

// The search results keep a switched-off version out whoever asked; the favorites and the
// panel take every version.
TEST_P(DetailsFilter, ADetailsAnswerHonoursTheResultsVersionFilter) {
    const FilterCase& c = GetParam();
    Filters = {c.Filter1, c.Filter2};
    Model.SearchResults.Add(Waiting(PickedIp, PickedPort));
    Model.SearchResults.Update(0, [](ServerStructure& row) { row.Answered = false; });
    Model.Favorites.Add(Waiting(PickedIp, PickedPort));
    Details.RequestDetails(Model.Favorites, 0);

    FakeServerConfig server = Server(PickedIp, PickedPort, "Filtered");
    server.Protocol = c.Protocol;
    Take(BuildInfoAnswer(server), PickedIp, PickedPort);
    EXPECT_EQ(Box(0), "Filtered");
    EXPECT_EQ(Model.Favorites[0].Name, "Filtered");
    EXPECT_EQ(Model.SearchResults[0].Name, c.ResultsTake ? "Filtered" : "");
    EXPECT_EQ(Model.SearchResults[0].Answered, c.ResultsTake);
}

INSTANTIATE_TEST_SUITE_P(Filters, DetailsFilter,
                         ::testing::Values(FilterCase{"Cs15Off", "0", "1", 46, false},
                                           FilterCase{"Cs16Off", "1", "0", 47, false},
                                           FilterCase{"Cs15OffAnswer16", "0", "1", 47, true},
                                           FilterCase{"BothOn", "1", "1", 46, true}),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
