// The scan over 10,000 simulated servers (5,000 addresses x 2 ports) that answer only the
// binary query dialect with its challenge round trip, against the same farm answering
// the text dialect, in the same run: the time until every server is listed, through the
// window's own endpoint, intake and scan controller, asking for the receive buffer an
// ordinary user gets on a stock kernel (run it as an ordinary user). Target: the binary
// scan takes at most 1.5 times the text one.
#include "A2sProtocol.h"
#include "BrowserModel.h"
#include "FakeServer.h"
#include "RangeFarm.h"
#include "RunAddresses.h"
#include "SearchController.h"
#include "ServerIntake.h"
#include "TNMUDP.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

namespace {

constexpr int Addresses = 5000;
constexpr size_t FarmPorts = 2;

struct Result {
    double Ms = 0;
    size_t Listed = 0;
    int BufferBytes = 0;
};

Result Scan(QCoreApplication& app, const std::string& first, const std::string& last,
            const std::vector<int32_t>& ports) {
    BrowserModel browser;
    ServerIntake intake(browser);
    TNMUDP udp(0, ReceiveBufferRequest::Stock());
    SearchController controller(
        [&](const std::string& host, int port, std::span<const uint8_t> bytes) {
            udp.SendDatagram(host, port, bytes);
        },
        SystemClock::Instance());
    udp.OnDataReceived = [&](TNMUDP& sender, int n, const std::string& ip, int port) {
        intake.NMUDP1DataReceived(sender, n, ip, port);
    };
    udp.SetAnswerTest(&LooksLikeAnyInfoAnswer);
    intake.Send = [&](const std::string& host, int port, std::span<const uint8_t> bytes) {
        udp.SendDatagram(host, port, bytes);
    };
    controller.SetPace([&] { udp.WaitForReceiveRoom(); });
    bool walked = false;
    controller.Finished = [&] { walked = true; };

    const size_t expected = size_t(Addresses) * FarmPorts;
    QElapsedTimer clock;
    qint64 doneNs = -1, walkedNs = -1;
    QTimer watch;
    watch.setInterval(2);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (walked && walkedNs < 0)
            walkedNs = clock.nsecsElapsed();
        if (browser.SearchResults.size() >= expected) {
            doneNs = clock.nsecsElapsed();
            app.quit();
        } else if (walkedNs >= 0 && clock.nsecsElapsed() - walkedNs > 5'000'000'000) {
            app.quit(); // nothing more is coming
        }
    });
    std::string from = first, to = last;
    QTimer::singleShot(0, [&] {
        clock.start();
        watch.start();
        controller.Begin(from, to, ports);
    });
    app.exec();
    watch.stop();
    controller.Stop();
    Result r;
    r.Ms = doneNs >= 0 ? double(doneNs) / 1e6 : double(clock.nsecsElapsed()) / 1e6;
    r.Listed = browser.SearchResults.size();
    r.BufferBytes = udp.ReceiveBufferSize();
    return r;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    // This run's own block of loopback addresses.
    const std::string first = RunNet(90, 0) + ".1";
    const std::string last = FarmAddress(first, Addresses - 1);
    std::printf("%d addresses x %zu ports from %s to %s, %d rounds each, alternating\n", Addresses,
                FarmPorts, first.c_str(), last.c_str(), rounds);

    Result best[2] = {{1e18, 0, 0}, {1e18, 0, 0}};
    bool allListed = true;
    for (int round = 0; round < rounds; ++round) {
        for (int binary = 0; binary < 2; ++binary) {
            // One farm a port, each on a port of the system's choosing.
            std::vector<std::unique_ptr<RangeFarm>> farms;
            std::vector<int32_t> ports;
            for (size_t p = 0; p < FarmPorts; ++p) {
                farms.push_back(std::make_unique<RangeFarm>(
                    first, Addresses, 0,
                    binary ? FarmDialect::BinaryWithChallenge : FarmDialect::Text));
                if (!farms.back()->Start()) {
                    std::fprintf(stderr, "farm: %s\n", farms.back()->LastError().c_str());
                    return 1;
                }
                ports.push_back(farms.back()->Port());
            }
            const Result r = Scan(app, first, last, ports);
            uint64_t challenges = 0, answers = 0;
            for (const auto& farm : farms) {
                farm->Stop();
                challenges += farm->ChallengesSent();
                answers += farm->AnswersSent();
            }
            std::printf("%-22s %9.1f ms  listed %zu of %d  (receive buffer %d bytes, %llu "
                        "challenges, %llu info answers)\n",
                        binary ? "binary + challenge" : "text", r.Ms, r.Listed,
                        Addresses * int(FarmPorts), r.BufferBytes,
                        static_cast<unsigned long long>(challenges),
                        static_cast<unsigned long long>(answers));
            allListed = allListed && r.Listed == size_t(Addresses) * FarmPorts;
            if (r.Ms < best[binary].Ms)
                best[binary] = r;
        }
    }
    const double ratio = best[1].Ms / best[0].Ms;
    std::printf("best: text %.1f ms, binary with challenge %.1f ms, ratio %.2f (target <= 1.5)"
                "%s\n",
                best[0].Ms, best[1].Ms, ratio, allListed ? "" : "; NOT ALL LISTED");
    return allListed ? 0 : 1;
}
