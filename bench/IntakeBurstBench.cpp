// Burst intake: 5,000 simulated servers answer one scan; the answers go through TNMUDP
// and the intake into SearchResults and the results model, in a Qt event loop, while a
// 1 ms timer measures how long the UI thread is held up.
#include "BenchFarm.h"
#include "SearchController.h"
#include "ServerIntake.h"
#include "ServerListModel.h"
#include "TNMUDP.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>


#include <algorithm>
#include <atomic>
#include <cstdio>

namespace {

constexpr int ServerCount = 5000;
const char* const FirstIp = "127.31.0.1";

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    FakeServerFarm farm;
    if (!StartBenchFarm(farm, ServerCount, FirstIp))
        return 1;
    const std::string lastIp = FarmAddress(FirstIp, ServerCount - 1);

    QElapsedTimer clock;
    clock.start();
    std::atomic<qint64> lastSendNs{0};
    qint64 lastRowNs = 0;

    BrowserModel browser;
    const ServerRows& searchResults = browser.SearchResults;
    ServerListModel model(searchResults);
    ServerIntake intake(browser);
    searchResults.Listen([&](const RowsChange& change) {
        if (change.Kind == RowsChangeKind::Inserted)
            lastRowNs = clock.nsecsElapsed();
    });
    TNMUDP udp(0);
    udp.OnDataReceived = [&](TNMUDP& sender, int n, const std::string& ip, int port) {
        intake.NMUDP1DataReceived(sender, n, ip, port);
    };
    SearchController controller(
        [&](const std::string& host, int port, std::span<const uint8_t> bytes) {
            udp.SendDatagram(host, port, bytes);
            lastSendNs = clock.nsecsElapsed();
        },
        SystemClock::Instance());

    // Lateness of a 1 ms timer: the longest time the UI thread could not run it.
    qint64 lastTick = -1, longestGapNs = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (lastTick >= 0)
            longestGapNs = std::max(longestGapNs, now - lastTick);
        lastTick = now;
    });

    bool scanDone = false;
    controller.Finished = [&] { scanDone = true; };
    // Ends when every server is listed, or 3 s after the scan without a new row.
    QTimer watch;
    watch.setInterval(20);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (searchResults.size() >= ServerCount ||
            (scanDone && now - std::max(lastRowNs, lastSendNs.load()) > 3'000'000'000))
            app.quit();
    });

    std::string from = FirstIp, to = lastIp;
    QTimer::singleShot(0, [&] {
        probe.start();
        watch.start();
        controller.Begin(from, to, {27015});
    });
    app.exec();
    probe.stop();

    std::printf("burst intake: %d simulated servers on %s..%s:27015, one scan\n", ServerCount,
                FirstIp, lastIp.c_str());
    std::printf("  listed                       : %zu of %d (target all)\n", searchResults.size(),
                ServerCount);
    std::printf("  last request -> last row     : %.1f ms\n",
                static_cast<double>(lastRowNs - lastSendNs.load()) / 1e6);
    std::printf("  longest UI-thread stall      : %.1f ms (1 ms timer lateness; target < 50)\n",
                static_cast<double>(std::max<qint64>(longestGapNs - 1'000'000, 0)) / 1e6);
    std::printf("  answers sent by the farm     : %zu, endpoint receive buffer %d bytes\n",
                farm.AnswersSent(), udp.ReceiveBufferSize());
    return 0;
}
