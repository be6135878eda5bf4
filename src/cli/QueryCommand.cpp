#include "QueryCommand.h"

#include "A2sChallengeState.h"
#include "AddressCheck.h"
#include "CliSession.h"
#include "Clock.h"
#include "MessageTable.h"
#include "QueryProtocol.h"
#include "ServerIntake.h"
#include "ServerPrinter.h"
#include "SplitReassembler.h"
#include "TNMUDP.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <functional>
#include <iostream>
#include <optional>

namespace {

// What a step of an exchange may do besides reading: send again, or end the wait sooner.
struct Reply {
    std::function<void(const Bytes&)> Send;
    std::function<void(int ms)> EndWithin;
};

// Sends `requests` and hands every datagram from exactly host:port to `take`, which
// returns true when the exchange is done; false when it was not done within the wait
// (measured from the first request) or a shorter end asked for by EndWithin.
bool Converse(TNMUDP& udp, const std::string& host, int port, const std::vector<Bytes>& requests,
              int waitMs, const std::function<bool(std::span<const uint8_t>, const Reply&)>& take) {
    QEventLoop loop;
    bool done = false;
    std::vector<uint8_t> buffer(TNMUDP::MaxDatagram);
    const Reply reply{[&](const Bytes& bytes) {
                          try {
                              udp.SendDatagram(host, port, bytes);
                          } catch (const std::exception&) {
                              // Lost like any datagram that cannot leave; the wait ends it.
                          }
                      },
                      [&](int ms) { QTimer::singleShot(ms, &loop, &QEventLoop::quit); }};
    udp.OnDataReceived = [&](TNMUDP& sender, int n, const std::string& fromIP, int fromPort) {
        if (done || n < 0 || fromIP != host || fromPort != port)
            return;
        const int length = sender.ReadDatagram(std::span<uint8_t>(buffer));
        if (take(std::span<const uint8_t>(buffer.data(), static_cast<size_t>(length)), reply)) {
            done = true;
            loop.quit();
        }
    };
    QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
    for (const Bytes& request : requests) {
        try {
            udp.SendDatagram(host, port, request);
        } catch (const std::exception&) {
            udp.OnDataReceived = nullptr;
            return false;
        }
    }
    loop.exec();
    udp.OnDataReceived = nullptr;
    return done;
}

// How long the info exchange goes on for the binary answer of a server whose text
// answer came first: one that answers both says more in the binary one.
constexpr int BinaryGraceMs = 300;

} // namespace

int RunQuery(const CliOptions& options) {
    const std::string target = Trim(options.Arguments[0]);
    const size_t colon = target.rfind(':');
    const std::string addressText = colon == std::string::npos ? target : target.substr(0, colon);
    const std::string portText = colon == std::string::npos ? "27015" : target.substr(colon + 1);
    AddressPort address{};
    const AddressCheck check = ParseAddressPort(Trim(addressText), Trim(portText), address);
    if (check != AddressCheck::Ok) {
        std::cerr << MessageLine(check == AddressCheck::BadPort ? MsgInvalidPort
                                                                : MsgInvalidAddress,
                                 MsgNotice)
                  << '\n';
        return ExitBadInput;
    }
    const std::string host = AddressText(AddressNumber(address));
    const int port = address[4];

    CliSession session(options.LocalPort, options.ReceiveBuffer);
    if (!session.Udp())
        return ExitSocket;
    TNMUDP& udp = *session.Udp();

    BrowserModel model;
    ServerRows& list = model.SearchResults;
    ServerIntake intake(model);
    // A binary server's challenge is answered through the same endpoint.
    intake.Send = [&udp](const std::string& to, int toPort, std::span<const uint8_t> bytes) {
        udp.SendDatagram(to, toPort, bytes);
    };
    const auto sent = std::chrono::steady_clock::now();
    std::optional<std::chrono::steady_clock::time_point> answered;
    // Both info requests: the row is asked in whichever dialect the server answers.
    Converse(udp, host, port, {InfoRequest(), A2sInfoRequest()}, options.WaitMs,
             [&](std::span<const uint8_t> datagram, const Reply& reply) {
                 const auto outcome = intake.TakeDatagram(datagram, host, port);
                 if (outcome != ServerIntake::Outcome::Inserted &&
                     outcome != ServerIntake::Outcome::Merged)
                     return false;
                 if (!answered) {
                     answered = std::chrono::steady_clock::now();
                     reply.EndWithin(BinaryGraceMs);
                 }
                 return list[0].Dialect == QueryDialect::Binary;
             });
    if (!answered || list.empty())
        return options.Require ? ExitNoAnswer : ExitOk;
    list.Update(0, [&](ServerStructure& r) {
        r.Response = std::to_string(
            std::chrono::duration_cast<std::chrono::milliseconds>(*answered - sent).count());
    });
    const ServerStructure& row = list[0];
    const bool binary = row.Dialect == QueryDialect::Binary;
    // One challenge serves the players and rules queries that follow.
    A2sChallengeState challenge;

    std::vector<PrintedPlayer> players;
    if (options.Players) {
        PlayersInfoStructure parsed;
        int count = 0;
        bool read = false;
        if (binary) {
            read = Converse(udp, host, port, {challenge.Begin(A2sQuery::Players)}, options.WaitMs,
                            [&](std::span<const uint8_t> datagram, const Reply& reply) {
                                if (const auto c = ParseA2sChallenge(datagram)) {
                                    if (const auto again = challenge.OnChallenge(*c))
                                        reply.Send(*again);
                                    return false;
                                }
                                return ParseA2sPlayers(datagram, parsed, count);
                            });
            challenge.Answered();
        } else {
            read = Converse(udp, host, port, {PlayersRequest()}, options.WaitMs,
                            [&](std::span<const uint8_t> datagram, const Reply&) {
                                return ParsePlayersAnswer(datagram, DetailPlayers, parsed, count);
                            });
        }
        if (read)
            for (int i = 0; i < count; ++i)
                players.push_back({parsed.Numbers[i], parsed.Names[i], parsed.Frags[i]});
    }
    std::vector<PrintedRule> rules;
    if (options.Rules) {
        RulesInfoStructure parsed;
        int count = 0;
        bool read = false;
        if (binary) {
            SplitReassembler joiner;
            Bytes joined;
            read = Converse(udp, host, port, {challenge.Begin(A2sQuery::Rules)}, options.WaitMs,
                            [&](std::span<const uint8_t> datagram, const Reply& reply) {
                                if (const auto c = ParseA2sChallenge(datagram)) {
                                    if (const auto again = challenge.OnChallenge(*c))
                                        reply.Send(*again);
                                    return false;
                                }
                                const auto now = CurrentClock().TickCount();
                                switch (joiner.Take(datagram, now, joined)) {
                                case SplitReassembler::Result::NotSplit:
                                    return ParseA2sRules(datagram, parsed, count);
                                case SplitReassembler::Result::Complete:
                                    return ParseA2sRules(joined, parsed, count);
                                default:
                                    return false;
                                }
                            });
            challenge.Answered();
        } else {
            read = Converse(udp, host, port, {RulesRequest()}, options.WaitMs,
                            [&](std::span<const uint8_t> datagram, const Reply&) {
                                return ParseRulesAnswer(datagram, DetailRules, parsed, count);
                            });
        }
        if (read)
            for (int i = 0; i < count; ++i)
                rules.push_back({parsed.Names[i], parsed.Values[i]});
    }
    const ServerPrinter printer(options.OutputFormat);
    std::cout << printer.Details(row, options.Players, players, options.Rules, rules) << '\n';
    std::cout.flush();
    return ExitOk;
}
