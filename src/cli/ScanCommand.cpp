#include "ScanCommand.h"

#include "A2sProtocol.h"
#include "AddressCheck.h"
#include "CliSession.h"
#include "MessageTable.h"
#include "QueryProtocol.h"
#include "SearchThread.h"
#include "ServerIntake.h"
#include "ServerPrinter.h"
#include "TNMUDP.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <mutex>
#include <unordered_map>

namespace {

using SteadyTime = std::chrono::steady_clock::time_point;

uint64_t SendKey(uint32_t address, int port) {
    return (uint64_t{address} << 16) | static_cast<uint16_t>(port);
}

// The first port's text checks both range ends, as the window does.
bool CheckAddress(const std::string& text, const std::string& port, AddressPort& out) {
    const AddressCheck check = ParseAddressPort(Trim(text), port, out);
    if (check == AddressCheck::Ok)
        return true;
    std::cerr << MessageLine(check == AddressCheck::BadPort ? MsgInvalidPort : MsgInvalidAddress,
                             MsgNotice)
              << '\n';
    return false;
}

} // namespace

int RunScan(const CliOptions& options) {
    std::vector<int32_t> ports;
    if (!ParsePortList(options.Ports, ports)) {
        std::cerr << MessageLine(MsgInvalidPort, MsgNotice) << '\n';
        return ExitBadInput;
    }
    const std::string firstPort = std::to_string(ports.front());
    AddressPort from{}, to{};
    if (!CheckAddress(options.Arguments[0], firstPort, from) ||
        !CheckAddress(options.Arguments[1], firstPort, to))
        return ExitBadInput;
    SearchRange range{AddressNumber(from), AddressNumber(to), ports};
    if (range.RangeEnd < range.RangeStart)
        std::swap(range.RangeStart, range.RangeEnd);

    CliSession session(options.LocalPort, options.ReceiveBuffer);
    if (!session.Udp())
        return ExitSocket;
    TNMUDP& udp = *session.Udp();

    std::mutex sentMutex;
    std::unordered_map<uint64_t, SteadyTime> sentAt;
    sentAt.reserve(static_cast<size_t>(std::min<uint64_t>(
        (uint64_t{range.RangeEnd} - range.RangeStart + 1) * ports.size(), 1u << 20)));

    BrowserModel model;
    ServerRows& results = model.SearchResults;
    ServerIntake intake(model); // both versions are taken: the default filters are on
    // A binary server's challenge is answered through the same endpoint.
    intake.Send = [&udp](const std::string& host, int port, std::span<const uint8_t> bytes) {
        udp.SendDatagram(host, port, bytes);
    };
    // Binary answers are taken only from the addresses and ports the scan asks.
    intake.Asked = [&range](const std::string& host, int port) {
        AddressPort a{};
        if (ParseAddressPort(host, std::to_string(port), a) != AddressCheck::Ok)
            return false;
        const uint32_t address = AddressNumber(a);
        return address >= range.RangeStart && address <= range.RangeEnd &&
               std::find(range.PortList.begin(), range.PortList.end(), port) !=
                   range.PortList.end();
    };
    udp.OnDataReceived = [&](TNMUDP& sender, int n, const std::string& fromIP, int fromPort) {
        const auto now = std::chrono::steady_clock::now();
        const ServerIntake::Outcome outcome =
            intake.NMUDP1DataReceived(sender, n, fromIP, fromPort);
        const std::optional<size_t> at = intake.LastPosition();
        if ((outcome != ServerIntake::Outcome::Inserted &&
             outcome != ServerIntake::Outcome::Merged) ||
            !at || !results[*at].Response.empty())
            return;
        const ServerStructure& row = results[*at];
        // Timed from the request to the address the server reports, or else to the one
        // the answer came from.
        AddressPort reported{};
        std::optional<SteadyTime> sent;
        std::lock_guard lock(sentMutex);
        if (ParseAddressPort(row.IP, row.Port, reported) == AddressCheck::Ok) {
            const auto it = sentAt.find(SendKey(AddressNumber(reported), reported[4]));
            if (it != sentAt.end())
                sent = it->second;
        }
        AddressPort source{};
        if (!sent &&
            ParseAddressPort(fromIP, std::to_string(fromPort), source) == AddressCheck::Ok) {
            const auto it = sentAt.find(SendKey(AddressNumber(source), source[4]));
            if (it != sentAt.end())
                sent = it->second;
        }
        if (sent)
            results.Update(*at, [&](ServerStructure& r) {
                r.Response = std::to_string(
                    std::chrono::duration_cast<std::chrono::milliseconds>(now - *sent).count());
            });
    };

    SearchThread worker([&](const std::string& host, int port, std::span<const uint8_t> bytes) {
        AddressPort a{};
        if (ParseAddressPort(host, std::to_string(port), a) == AddressCheck::Ok) {
            std::lock_guard lock(sentMutex);
            sentAt.emplace(SendKey(AddressNumber(a), port), std::chrono::steady_clock::now());
        }
        udp.SendDatagram(host, port, bytes);
    });
    udp.SetAnswerTest(&LooksLikeAnyInfoAnswer);
    worker.SetPace([&udp] { udp.WaitForReceiveRoom(); });
    const int waitMs = options.WaitMs;
    QCoreApplication& app = session.App();
    worker.Start(range, [&app, waitMs] {
        QMetaObject::invokeMethod(
            &app, [&app, waitMs] { QTimer::singleShot(waitMs, &app, &QCoreApplication::quit); },
            Qt::QueuedConnection);
    });
    app.exec();
    worker.Join();
    udp.OnDataReceived = nullptr;

    const size_t printed = PrintInAddressOrder(results, ServerPrinter(options.OutputFormat));
    return printed == 0 && options.Require ? ExitNoAnswer : ExitOk;
}
