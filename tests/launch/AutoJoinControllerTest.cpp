#include "AutoJoinController.h"

#include "A2sProtocol.h"
#include "FakeServer.h"
#include "QueryProtocol.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

void PrintTo(const ServerStructure& r, std::ostream* os) {
    *os << "{" << r.Name << "|" << r.IP << ":" << r.Port << "|" << r.Map << "|" << r.Players << "/"
        << r.MaxPlayers << "|proto " << r.Protocol << "|pw " << r.Password << "}";
}

namespace {

const std::string TargetIp = "127.60.1.1";
constexpr int TargetPort = 27015;

FakeServerConfig Server(int players, int maxPlayers = 16, bool password = false) {
    FakeServerConfig config;
    config.Ip = TargetIp;
    config.Port = TargetPort;
    config.Name = "Waiting Room";
    config.Players = players;
    config.MaxPlayers = maxPlayers;
    config.Password = password;
    return config;
}

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// The row a reply of that server makes: its texts as received.
ServerStructure ReplyRow(int players, int maxPlayers = 16, const std::string& password = "0") {
    ServerStructure row;
    row.Name = "Waiting Room";
    row.IP = TargetIp;
    row.Port = std::to_string(TargetPort);
    row.Map = "de_dust2";
    row.Players = std::to_string(players);
    row.MaxPlayers = std::to_string(maxPlayers);
    row.Protocol = "47";
    row.Password = password;
    row.GameFolder = "cstrike";
    row.Dialect = QueryDialect::Text;
    row.Alive = true;
    row.Answered = true;
    return row;
}

// The controller with every view effect recorded and dialogs answered from the fixture.
class AutoJoin : public ::testing::Test {
protected:
    AutoJoin() : Controller(Model) {
        Controller.Options = [this] { return Options; };
        Controller.Target = [this] { return Target; };
        Controller.SetTarget = [this](const AutoJoinTarget& target) { Target = target; };
        Controller.SetTargetRed = [this](bool red) { Red = red; };
        Controller.SetButtonDown = [this](bool down) { ButtonDown = down; };
        Controller.SetButtonImage = [this](int image) { Image = image; };
        Controller.StartTimer = [this] { Timer = true; };
        Controller.StopTimer = [this] { Timer = false; };
        Controller.Send = [this](const std::string& host, int port,
                                 std::span<const uint8_t> bytes) {
            Sent.push_back(host + ":" + std::to_string(port) + " " +
                           std::string(bytes.begin(), bytes.end()));
            return true;
        };
        Controller.Confirm = [this](const ServerStructure& row) {
            Confirmed.push_back(row);
            // A late reply to an earlier request while the prompt is open.
            if (LateReply)
                Controller.TakeDatagram(*LateReply, TargetIp, TargetPort);
            return ConfirmAnswer;
        };
        Controller.AskPassword = [this] {
            ++PasswordPrompts;
            return Password;
        };
        Controller.LaunchGame = [this](const ServerStructure& row, const std::string& password) {
            Launched.push_back(row);
            LaunchedPassword = password;
            Controller.StopAutoJoin(); // as the launch's preparation does
        };
        Controller.ShowTrayIcon = [this] { ++TrayShown; };
        Target = {"Waiting Room", TargetIp, std::to_string(TargetPort)};
    }
    void Reply(const FakeServerConfig& config, const std::string& from = TargetIp,
               int port = TargetPort) {
        Controller.TakeDatagram(Bytes(BuildInfoAnswer(config)), from, port);
    }
    void Press() { Controller.ToolButton_AutoJoinClick(true); }

    BrowserModel Model;
    AutoJoinController Controller;
    AutoJoinOptions Options{"0", "0"};
    AutoJoinTarget Target;
    bool Red = false, ButtonDown = false, Timer = false;
    int Image = 4;
    std::vector<std::string> Sent;
    std::vector<ServerStructure> Confirmed, Launched;
    std::string LaunchedPassword;
    bool ConfirmAnswer = true;
    std::optional<std::vector<uint8_t>> LateReply;
    std::optional<std::string> Password;
    int PasswordPrompts = 0, TrayShown = 0;
};

TEST_F(AutoJoin, TickAsksTheTargetAndAlternatesTheImageUntilTheTargetIsGone) {
    Press();
    EXPECT_TRUE(Red);
    EXPECT_TRUE(Timer);
    EXPECT_EQ(Controller.State(), AutoJoinState::Waiting);
    std::vector<int> images;
    for (int i = 0; i < 3; ++i) {
        Controller.Timer_AutoJoinTimer();
        images.push_back(Image);
    }
    EXPECT_EQ(images, (std::vector<int>{5, 4, 5}));
    EXPECT_EQ(Controller.CheckState(), DetailInfo);
    // A target in neither list has no known dialect: each tick asks in both.
    const std::string text(InfoRequest().begin(), InfoRequest().end());
    const std::string binary(A2sInfoRequest().begin(), A2sInfoRequest().end());
    std::vector<std::string> expected;
    for (int i = 0; i < 3; ++i)
        expected.insert(expected.end(), {"127.60.1.1:27015 " + text, "127.60.1.1:27015 " + binary});
    EXPECT_EQ(Sent, expected);

    Target.Port.clear();
    Controller.Timer_AutoJoinTimer();
    EXPECT_EQ(Controller.State(), AutoJoinState::Off);
    EXPECT_FALSE(Red || ButtonDown || Timer);
    EXPECT_EQ(Image, 4);
    EXPECT_EQ(Sent.size(), 6u);
}

TEST_F(AutoJoin, TicksLeaveADetailsQueryInFlightAlone) {
    // The details panel waits for the rules answer of the picked server.
    Model.DetailState = DetailRules;
    Press();
    Controller.Timer_AutoJoinTimer();
    Controller.Timer_AutoJoinTimer();
    EXPECT_EQ(Model.DetailState.load(), DetailRules);
    EXPECT_EQ(Controller.CheckState(), DetailInfo);
    Controller.ToolButton_AutoJoinClick(false);
    EXPECT_EQ(Controller.CheckState(), DetailIdle);
    EXPECT_EQ(Model.DetailState.load(), DetailRules);
}

TEST_F(AutoJoin, ButtonReleasedStopsAndRepliesAreNoLongerJudged) {
    Press();
    Controller.Timer_AutoJoinTimer();
    Controller.ToolButton_AutoJoinClick(false);
    EXPECT_FALSE(Red || Timer);
    EXPECT_EQ(Image, 4);
    Reply(Server(0));
    EXPECT_TRUE(Launched.empty());
}

struct RoomCase {
    const char* Name;
    std::string Margin;
    int Players, MaxPlayers;
    bool Joins;
};

void PrintTo(const RoomCase& c, std::ostream* os) {
    *os << c.Name;
}

class Room : public AutoJoin, public ::testing::WithParamInterface<RoomCase> {};

TEST_P(Room, ReplyJoinsWhenPlayersFitUnderTheLimitMinusTheMargin) {
    const RoomCase& c = GetParam();
    Options.Margin = c.Margin;
    Press();
    Reply(Server(c.Players, c.MaxPlayers));
    if (c.Joins) {
        ASSERT_EQ(Launched.size(), 1u);
        EXPECT_EQ(Launched[0], ReplyRow(c.Players, c.MaxPlayers));
        EXPECT_EQ(Controller.State(), AutoJoinState::Off);
    } else {
        EXPECT_TRUE(Launched.empty());
        EXPECT_EQ(Controller.State(), AutoJoinState::Waiting);
        EXPECT_TRUE(Timer);
    }
    EXPECT_TRUE(Confirmed.empty()); // Confirm "0": no dialog
}

INSTANTIATE_TEST_SUITE_P(AutoJoin, Room,
                         ::testing::Values(RoomCase{"Margin2Players14Of16", "2", 14, 16, true},
                                           RoomCase{"Margin2Players15Of16", "2", 15, 16, false},
                                           RoomCase{"Margin0Players16Of16", "0", 16, 16, false},
                                           // A full server never has room, whatever margin.
                                           RoomCase{"NegativeMarginFull", "-1", 16, 16, false},
                                           RoomCase{"Margin0Players17Of16", "0", 17, 16, false},
                                           RoomCase{"Margin0Players15Of16", "0", 15, 16, true},
                                           RoomCase{"Margin4Players12Of16", "4", 12, 16, true},
                                           RoomCase{"Margin4Players13Of16", "4", 13, 16, false}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(AutoJoin, ConfirmationShowsTheReplyAndALateReplyOpensNoSecondPrompt) {
    Options.Confirm = "1";
    LateReply = Bytes(BuildInfoAnswer(Server(1)));
    Press();
    Reply(Server(3));
    ASSERT_EQ(Confirmed.size(), 1u);
    EXPECT_EQ(Confirmed[0], ReplyRow(3));
    ASSERT_EQ(Launched.size(), 1u);
    EXPECT_EQ(Launched[0], ReplyRow(3));
    EXPECT_EQ(LaunchedPassword, "");
    EXPECT_EQ(PasswordPrompts, 0);
}

TEST_F(AutoJoin, CancelledConfirmationOrPasswordEndsTheWaitKeepingTheTarget) {
    Options.Confirm = "1";
    ConfirmAnswer = false;
    Press();
    Reply(Server(3));
    EXPECT_EQ(Controller.State(), AutoJoinState::Off);
    EXPECT_FALSE(Red || Timer || ButtonDown);
    EXPECT_EQ(TrayShown, 1);
    EXPECT_EQ(Target.IP, TargetIp);

    ConfirmAnswer = true;
    Press();
    Reply(Server(3, 16, true));
    EXPECT_EQ(PasswordPrompts, 1);
    EXPECT_EQ(Controller.State(), AutoJoinState::Off);
    EXPECT_EQ(TrayShown, 2);
    EXPECT_TRUE(Launched.empty());

    Password = "pw";
    Press();
    Reply(Server(3, 16, true));
    ASSERT_EQ(Launched.size(), 1u);
    EXPECT_EQ(Launched[0], ReplyRow(3, 16, "1"));
    EXPECT_EQ(LaunchedPassword, "pw");
}

// Only "0" says a server has no password; an empty or missing value is not known, so the
// join asks rather than starting the game without one.
TEST_F(AutoJoin, ReplyWithAnEmptyOrMissingPasswordStillAsksForIt) {
    const std::string open = BuildInfoAnswer(Server(3));
    const std::string pair = "\\password\\0";
    const size_t at = open.find(pair);
    ASSERT_NE(at, std::string::npos) << open;
    std::string empty = open, missing = open;
    empty.replace(at, pair.size(), "\\password\\");
    missing.erase(at, pair.size());
    Password = "pw";
    for (const std::string& reply : {empty, missing}) {
        Launched.clear();
        PasswordPrompts = 0;
        Press();
        Controller.TakeDatagram(Bytes(reply), TargetIp, TargetPort);
        EXPECT_EQ(PasswordPrompts, 1) << reply;
        ASSERT_EQ(Launched.size(), 1u) << reply;
        EXPECT_EQ(LaunchedPassword, "pw");
    }
    // "0" alone joins without asking.
    PasswordPrompts = 0;
    Press();
    Reply(Server(3));
    EXPECT_EQ(PasswordPrompts, 0);
}

TEST_F(AutoJoin, UnreadableOrForeignRepliesAreIgnoredAndTheWaitGoesOn) {
    Press();
    auto raw = [](const std::string& from, const std::string& to) {
        std::string answer = BuildInfoAnswer(Server(0));
        answer.replace(answer.find(from), from.size(), to);
        return Bytes(answer);
    };
    Controller.TakeDatagram(raw("\\players\\0", "\\players\\abc"), TargetIp, TargetPort);
    Controller.TakeDatagram(raw("\\players\\0", "\\players\\"), TargetIp, TargetPort);
    Controller.TakeDatagram(raw("\\max\\16", "\\max\\x"), TargetIp, TargetPort);
    Controller.TakeDatagram(Bytes("\xff\xff\xff\xffnonsense"), TargetIp, TargetPort);
    FakeServerConfig noAddress = Server(0);
    noAddress.ReportedAddress = "";
    std::string answer = BuildInfoAnswer(noAddress);
    answer.replace(answer.find("\\address\\127.60.1.1:27015"), 25, "\\address\\");
    Controller.TakeDatagram(Bytes(answer), TargetIp, TargetPort);
    // Another server with room, or the target's address from another port.
    Reply(Server(0), "127.60.1.2", TargetPort);
    Reply(Server(0), TargetIp, TargetPort + 1);
    EXPECT_TRUE(Launched.empty());
    EXPECT_EQ(Controller.State(), AutoJoinState::Waiting);

    Reply(Server(0));
    EXPECT_EQ(Launched.size(), 1u);
}

TEST_F(AutoJoin, StartTakesTheTargetAndPressesTheButton) {
    Target = {};
    Controller.StartAutoJoin({"Other", "127.60.1.9", "27016"});
    EXPECT_EQ(Target, (AutoJoinTarget{"Other", "127.60.1.9", "27016"}));
    EXPECT_TRUE(ButtonDown && Red && Timer);
    EXPECT_TRUE(Controller.Down());
}

TEST(HasRoom, OnlyWholeNumbersCanBeJudged) {
    EXPECT_EQ(HasRoom("14", "16", "2"), true);
    EXPECT_EQ(HasRoom("15", "16", "2"), false);
    EXPECT_EQ(HasRoom("15", "16", "0"), true);
    EXPECT_EQ(HasRoom("16", "16", "0"), false);
    EXPECT_EQ(HasRoom("0", "0", "0"), false);
    EXPECT_EQ(HasRoom("1.5", "16", "0"), std::nullopt);
    EXPECT_EQ(HasRoom("3", "", "0"), std::nullopt);
    EXPECT_EQ(HasRoom("3", "16", "many"), std::nullopt);
    EXPECT_EQ(HasRoom("-2147483648", "-2147483648", "4"), false);
}

} // namespace

// A target found by the binary dialect is checked in it: each tick's request takes the
// server's challenge (at most three rounds, however often it asks), a full server is
// waited on, and the reply of the tick a slot frees joins it as a 1.6 server.
TEST_F(AutoJoin, BinaryTargetIsCheckedWithItsChallengeAndJoinedWhenASlotFrees) {
    ServerStructure known;
    known.IP = TargetIp;
    known.Port = std::to_string(TargetPort);
    known.Dialect = QueryDialect::Binary;
    Model.SearchResults.Add(known);
    const auto AsBytes = [](const std::string& text) {
        return std::vector<uint8_t>(text.begin(), text.end());
    };
    FakeServerConfig server = Server(16);
    server.Dialect = FakeDialect::Binary;
    server.Challenge = true;
    server.Protocol = 47; // sent as 48 in 'I'
    const std::string bare(A2sInfoRequest().begin(), A2sInfoRequest().end());
    const std::string challenge = BuildA2sChallenge(0x01020304);
    const std::string again = bare + "\x04\x03\x02\x01";
    const std::string to = TargetIp + ":" + std::to_string(TargetPort) + " ";

    Press();
    Controller.Timer_AutoJoinTimer();
    EXPECT_EQ(Sent, std::vector<std::string>{to + bare});
    for (int i = 0; i < 5; ++i)
        Controller.TakeDatagram(AsBytes(challenge), TargetIp, TargetPort);
    EXPECT_EQ(Sent, (std::vector<std::string>{to + bare, to + again, to + again, to + again}));
    // A challenge from elsewhere is no answer of the target's.
    Controller.TakeDatagram(AsBytes(challenge), TargetIp, TargetPort + 1);
    EXPECT_EQ(Sent.size(), 4u);
    Controller.TakeDatagram(AsBytes(BuildA2sInfoI(server)), TargetIp, TargetPort);
    EXPECT_TRUE(Launched.empty());

    Sent.clear();
    Controller.Timer_AutoJoinTimer();
    Controller.TakeDatagram(AsBytes(challenge), TargetIp, TargetPort);
    EXPECT_EQ(Sent, (std::vector<std::string>{to + bare, to + again}));
    server.Players = 15;
    Controller.TakeDatagram(AsBytes(BuildA2sInfoI(server)), TargetIp, TargetPort);
    ASSERT_EQ(Launched.size(), 1u);
    EXPECT_EQ(Launched[0].IP, TargetIp);
    EXPECT_EQ(Launched[0].Port, std::to_string(TargetPort));
    EXPECT_EQ(Launched[0].Players, "15");
    EXPECT_EQ(Launched[0].Protocol, "47");
    EXPECT_EQ(Launched[0].GameFolder, "cstrike");
    EXPECT_EQ(Launched[0].Dialect, QueryDialect::Binary);
    EXPECT_EQ(Controller.State(), AutoJoinState::Off);
}
