// quarrix-cli run as a separate process against simulated servers of this run's own block.
#include "FakeServer.h"
#include "Gbk.h"
#include "RunAddresses.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct CliRun {
    int Exit = -1;
    std::string Out, Err;
};

CliRun Cli(const QStringList& args) {
    QProcess p;
    p.start(QString::fromUtf8(QUARRIX_CLI), args);
    CliRun r;
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.Exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.Out = p.readAllStandardOutput().toStdString();
    r.Err = p.readAllStandardError().toStdString();
    return r;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(separator, start);
        if (end == std::string::npos)
            end = text.size();
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

// Each test serves its own 127.30.B.x block, so ctest may run them side by side.
class CliFixture : public testing::Test {
protected:
    void Serve(int block) {
        Block = RunIp("127.30.") + std::to_string(block) + ".";
        FakeServerConfig a;
        a.Ip = Block + "2";
        a.Port = 27015;
        a.Name = G("中文服务器");
        a.Players = 2;
        a.MaxPlayers = 20;
        a.PlayerList = {{G("玩家一"), 9, 10.0f}, {"bot", -1, 5.0f}};
        ASSERT_GE(Farm.Add(a), 0);
        FakeServerConfig b;
        b.Ip = Block + "5";
        b.Port = 27016;
        b.Name = "Bravo\tTab";
        b.Map = "cs_italy";
        b.MaxPlayers = 10;
        b.Protocol = 46;
        b.Password = true;
        ASSERT_GE(Farm.Add(b), 0);
        FakeServerConfig silent;
        silent.Ip = Block + "8";
        silent.Silent = true;
        ASSERT_GE(Farm.Add(silent), 0);
        ASSERT_TRUE(Farm.Start()) << Farm.LastError();
    }
    QString At(const char* last) const { return QString::fromStdString(Block + last); }
    QStringList ScanArgs() const {
        return {QStringLiteral("scan"),
                At("10"),
                At("1"),
                QStringLiteral("--ports"),
                QStringLiteral("27015,27016"),
                QStringLiteral("--wait-ms"),
                QStringLiteral("300")};
    }

    FakeServerFarm Farm;
    std::string Block;
};

TEST_F(CliFixture, ScanPrintsEveryAnsweringServerAsTsv) {
    Serve(10);
    const CliRun r = Cli(ScanArgs());
    ASSERT_EQ(r.Exit, 0) << r.Err;
    const auto lines = Split(r.Out, '\n');
    ASSERT_EQ(lines.size(), 2u) << r.Out;
    auto first = Split(lines[0], '\t');
    auto second = Split(lines[1], '\t');
    // The columns older readers know, the response time, then what the answers add.
    EXPECT_EQ(std::count(lines[0].begin(), lines[0].end(), '\t'), 14);
    ASSERT_GE(first.size(), 14u);
    ASSERT_GE(second.size(), 14u);
    const std::string ms1 = first[8], ms2 = second[8];
    EXPECT_EQ(std::vector<std::string>(first.begin() + 9, first.begin() + 14),
              (std::vector<std::string>{"text", "", "linux", "0", "cstrike"}));
    first.resize(8);
    second.resize(8);
    EXPECT_EQ(first, (std::vector<std::string>{"中文服务器", RunIp("127.30.10.2"), "27015",
                                               "de_dust2", "2", "20", "47", "0"}));
    EXPECT_EQ(second, (std::vector<std::string>{"Bravo Tab", RunIp("127.30.10.5"), "27016",
                                                "cs_italy", "0", "10", "46", "1"}));
    for (const std::string& ms : {ms1, ms2}) {
        ASSERT_FALSE(ms.empty());
        EXPECT_LT(std::stoi(ms), 1000);
    }
}

TEST_F(CliFixture, ScanPrintsJsonObjects) {
    Serve(11);
    QStringList args = ScanArgs();
    args << QStringLiteral("--format") << QStringLiteral("json");
    const CliRun r = Cli(args);
    ASSERT_EQ(r.Exit, 0) << r.Err;
    const auto lines = Split(r.Out, '\n');
    ASSERT_EQ(lines.size(), 2u) << r.Out;
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(lines[0])).object();
    EXPECT_EQ(o.value(QStringLiteral("name")).toString(), QString::fromUtf8("中文服务器"));
    EXPECT_EQ(o.value(QStringLiteral("ip")).toString(),
              QString::fromStdString(RunIp("127.30.11.2")));
    EXPECT_EQ(o.value(QStringLiteral("port")).toInt(), 27015);
    EXPECT_EQ(o.value(QStringLiteral("players")).toInt(), 2);
    EXPECT_EQ(o.value(QStringLiteral("max")).toInt(), 20);
    EXPECT_EQ(o.value(QStringLiteral("protocol")).toInt(), 47);
    EXPECT_EQ(o.value(QStringLiteral("password")), QJsonValue(false));
    EXPECT_TRUE(o.value(QStringLiteral("response_ms")).isDouble());
    const QJsonObject b = QJsonDocument::fromJson(QByteArray::fromStdString(lines[1])).object();
    EXPECT_EQ(b.value(QStringLiteral("password")), QJsonValue(true));
}

TEST_F(CliFixture, QueryPrintsInfoPlayersAndRules) {
    Serve(12);
    const CliRun r =
        Cli({QStringLiteral("query"), At("2:27015"), QStringLiteral("--players"),
             QStringLiteral("--rules"), QStringLiteral("--format"), QStringLiteral("json")});
    ASSERT_EQ(r.Exit, 0) << r.Err;
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(r.Out)).object();
    EXPECT_EQ(o.value(QStringLiteral("map")).toString(), QStringLiteral("de_dust2"));
    const QJsonArray players = o.value(QStringLiteral("player_list")).toArray();
    ASSERT_EQ(players.size(), 2);
    EXPECT_EQ(players[0].toObject().value(QStringLiteral("name")).toString(),
              QString::fromUtf8("玩家一"));
    EXPECT_EQ(players[1].toObject().value(QStringLiteral("frags")).toInt(), -1);
    EXPECT_GT(o.value(QStringLiteral("rules")).toArray().size(), 5);

    const CliRun tsv = Cli({QStringLiteral("query"), At("2"), QStringLiteral("--players")});
    ASSERT_EQ(tsv.Exit, 0) << tsv.Err;
    const auto lines = Split(tsv.Out, '\n');
    ASSERT_EQ(lines.size(), 3u) << tsv.Out;
    EXPECT_EQ(lines[1], "player\t1\t玩家一\t9");
}

// Tab bytes inside a player name or a rule value and frag counts beyond one byte: every
// player and rule still comes out in step, names and values cut at the tab.
TEST_F(CliFixture, QueryKeepsPlayersAndRulesInStepAroundTabsAndWholeFrags) {
    FakeServerConfig server;
    server.Ip = RunIp("127.30.15.2");
    server.Name = "Tabs";
    server.Players = 4;
    server.PlayerList = {{"Alice", 5, 1.0f},
                         {"Bob\tTabbed", 300, 2.0f},
                         {"Carol", -1, 3.0f},
                         {G("中文名"), 0, 4.0f}};
    server.Rules = {{"sv_contact", "mail\there"}, {"mp_timelimit", "30"}};
    for (const auto& rule : DefaultFakeRules())
        server.Rules.push_back(rule);
    ASSERT_GE(Farm.Add(server), 0);
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();

    const CliRun r =
        Cli({QStringLiteral("query"), QString::fromStdString(RunIp("127.30.15.2:27015")),
             QStringLiteral("--players"), QStringLiteral("--rules"), QStringLiteral("--format"),
             QStringLiteral("json")});
    ASSERT_EQ(r.Exit, 0) << r.Err;
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(r.Out)).object();
    auto player = [](int number, const char* name, int frags) {
        return QJsonObject{{QStringLiteral("number"), number},
                           {QStringLiteral("name"), QString::fromUtf8(name)},
                           {QStringLiteral("frags"), frags}};
    };
    const QJsonArray players{player(1, "Alice", 5), player(2, "Bob", 300), player(3, "Carol", -1),
                             player(4, "中文名", 0)};
    EXPECT_EQ(o.value(QStringLiteral("player_list")).toArray(), players);
    auto rule = [](const std::string& name, const std::string& value) {
        return QJsonObject{{QStringLiteral("name"), QString::fromStdString(name)},
                           {QStringLiteral("value"), QString::fromStdString(value)}};
    };
    QJsonArray rules{rule("sv_contact", "mail"), rule("mp_timelimit", "30")};
    for (const auto& [name, value] : DefaultFakeRules())
        rules.append(rule(name, value));
    EXPECT_EQ(o.value(QStringLiteral("rules")).toArray(), rules);
}

TEST_F(CliFixture, NoAnswerIsQuietUnlessRequired) {
    Serve(13);
    const QStringList args{QStringLiteral("query"), At("8:27015"), QStringLiteral("--wait-ms"),
                           QStringLiteral("150")};
    const CliRun quiet = Cli(args);
    EXPECT_EQ(quiet.Exit, 0);
    EXPECT_EQ(quiet.Out, "");
    const CliRun required = Cli(QStringList(args) << QStringLiteral("--require"));
    EXPECT_EQ(required.Exit, 1);
    EXPECT_EQ(required.Out, "");
}

TEST_F(CliFixture, BadInputGetsTheWindowsMessagesAndExitCode2) {
    struct Case {
        QStringList Args;
        const char* Message;
    };
    const Case cases[] = {
        {{QStringLiteral("scan"), QString::fromStdString(RunIp("127.30.14.0")),
          QString::fromStdString(RunIp("127.30.14.9"))},
         "无效的 IP 地址"},
        {{QStringLiteral("scan"), QString::fromStdString(RunIp("127.30.14.1")),
          QString::fromStdString(RunIp("127.30.14.9")), QStringLiteral("--ports"),
          QStringLiteral("27015,0")},
         "无效的端口"},
        {{QStringLiteral("query"), QString::fromStdString(RunIp("127.30.14.300:0"))}, "无效的端口"},
        {{QStringLiteral("query"), QString::fromStdString(RunIp("127.30.14"))}, "无效的 IP 地址"},
        {{QStringLiteral("scan"), QString::fromStdString(RunIp("127.30.14.1"))}, "FROM and TO"},
        {{QStringLiteral("frobnicate")}, "unknown command"},
        // Refused before any interface is looked at.
        {{QStringLiteral("lan"), QString::fromStdString(RunIp("127.30.14.1"))}, "no address"},
        {{QStringLiteral("lan"), QStringLiteral("--ports"), QStringLiteral("27015,70000")},
         "无效的端口"},
        {{QStringLiteral("lan"), QStringLiteral("--local-port"), QStringLiteral("27005")},
         "do not belong to lan"},
    };
    for (const Case& c : cases) {
        const CliRun r = Cli(c.Args);
        EXPECT_EQ(r.Exit, 2) << c.Message;
        EXPECT_NE(r.Err.find(c.Message), std::string::npos) << r.Err;
        EXPECT_EQ(r.Out, "");
    }
    EXPECT_NE(Cli({QStringLiteral("--help")}).Out.find("quarrix-cli scan FROM TO"),
              std::string::npos);
}

TEST(BinaryCli, QueryReadsPlayersAndEverySplitRuleThroughTheChallenges) {
    FakeServerFarm farm;
    FakeServerConfig c;
    c.Ip = RunAddress(3, 1);
    c.Name = "Split";
    c.Dialect = FakeDialect::Binary;
    c.Challenge = true;
    c.RulesSplit = 4;
    c.Bots = 1;
    c.PlayerList = {{"alpha", 7, 1.0f}, {"", 0, 0.5f}}; // the second is still connecting
    c.Players = 2;
    ASSERT_GE(farm.Add(c), 0);
    ASSERT_TRUE(farm.Start()) << farm.LastError();
    const QString target = QString::fromStdString(c.Ip + ":27015");
    const CliRun r =
        Cli({QStringLiteral("query"), target, QStringLiteral("--players"),
             QStringLiteral("--rules"), QStringLiteral("--format"), QStringLiteral("json")});
    ASSERT_EQ(r.Exit, 0) << r.Err;
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(r.Out)).object();
    EXPECT_EQ(o.value(QStringLiteral("dialect")).toString(), QStringLiteral("binary"));
    EXPECT_EQ(o.value(QStringLiteral("bots")).toInt(), 1);
    EXPECT_EQ(o.value(QStringLiteral("os")).toString(), QStringLiteral("linux"));
    EXPECT_EQ(o.value(QStringLiteral("vac")), QJsonValue(true));
    EXPECT_EQ(o.value(QStringLiteral("protocol")).toInt(), 47);
    const QJsonArray players = o.value(QStringLiteral("player_list")).toArray();
    ASSERT_EQ(players.size(), 2);
    EXPECT_EQ(players[0].toObject().value(QStringLiteral("name")).toString(),
              QStringLiteral("alpha"));
    EXPECT_EQ(players[1].toObject().value(QStringLiteral("name")).toString(), QString());
    const QJsonArray rules = o.value(QStringLiteral("rules")).toArray();
    ASSERT_EQ(rules.size(), static_cast<qsizetype>(DefaultFakeRules().size()));
    EXPECT_EQ(rules.last().toObject().value(QStringLiteral("name")).toString(),
              QString::fromStdString(DefaultFakeRules().back().first));
    // info: bare and once with the challenge; players: asked for one, then with it;
    // rules: with the challenge players got, at once.
    std::string kinds;
    for (const auto& request : farm.Requests())
        kinds += request.Kind;
    EXPECT_EQ(kinds, "iTTUUV");
}

} // namespace
