#include "QueryCommand.h"

#include "AddressCheck.h"
#include "CliSession.h"
#include "MessageTable.h"
#include "QueryProtocol.h"
#include "ServerIntake.h"
#include "ServerPrinter.h"
#include "TNMUDP.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <iostream>

namespace {

// Sends one request and waits for the first datagram from exactly host:port that
// `accept` takes; false when none came within the wait.
bool Exchange(TNMUDP& udp, const std::string& host, int port, const Bytes& request, int waitMs,
              const std::function<bool(std::span<const uint8_t>)>& accept) {
    QEventLoop loop;
    bool taken = false;
    std::vector<uint8_t> buffer(TNMUDP::MaxDatagram);
    udp.OnDataReceived = [&](TNMUDP& sender, int n, const std::string& fromIP, int fromPort) {
        if (taken || n < 0 || fromIP != host || fromPort != port)
            return;
        const int length = sender.ReadDatagram(std::span<uint8_t>(buffer));
        if (accept(std::span<const uint8_t>(buffer.data(), static_cast<size_t>(length)))) {
            taken = true;
            loop.quit();
        }
    };
    QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
    try {
        udp.SendDatagram(host, port, request);
    } catch (const std::exception&) {
        udp.OnDataReceived = nullptr;
        return false;
    }
    loop.exec();
    udp.OnDataReceived = nullptr;
    return taken;
}

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
    const auto sent = std::chrono::steady_clock::now();
    auto answered = std::chrono::steady_clock::now();
    const bool info = Exchange(udp, host, port, InfoRequest(), options.WaitMs, [&](auto datagram) {
        answered = std::chrono::steady_clock::now();
        return intake.TakeDatagram(datagram) == ServerIntake::Outcome::Inserted;
    });
    if (!info || list.empty())
        return options.Require ? ExitNoAnswer : ExitOk;
    list.Update(0, [&](ServerStructure& r) {
        r.Response = std::to_string(
            std::chrono::duration_cast<std::chrono::milliseconds>(answered - sent).count());
    });
    const ServerStructure& row = list[0];

    std::vector<PrintedPlayer> players;
    if (options.Players) {
        PlayersInfoStructure parsed;
        int count = 0;
        if (Exchange(udp, host, port, PlayersRequest(), options.WaitMs, [&](auto datagram) {
                return ParsePlayersAnswer(datagram, DetailPlayers, parsed, count);
            }))
            for (int i = 0; i < count; ++i)
                players.push_back({parsed.Numbers[i], parsed.Names[i], parsed.Frags[i]});
    }
    std::vector<PrintedRule> rules;
    if (options.Rules) {
        RulesInfoStructure parsed;
        int count = 0;
        if (Exchange(udp, host, port, RulesRequest(), options.WaitMs, [&](auto datagram) {
                return ParseRulesAnswer(datagram, DetailRules, parsed, count);
            }))
            for (int i = 0; i < count; ++i)
                rules.push_back({parsed.Names[i], parsed.Values[i]});
    }
    const ServerPrinter printer(options.OutputFormat);
    std::cout << printer.Details(row, options.Players, players, options.Rules, rules) << '\n';
    std::cout.flush();
    return ExitOk;
}
