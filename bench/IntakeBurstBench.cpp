// Burst intake: simulated servers answer a scan through TNMUDP, the intake and the
// results model in a Qt event loop, while a 1 ms timer measures how long the UI thread
// is held up. Three parts:
//   bursts  5,000 and 20,000 servers, each with the default receive buffer request and
//           with 212,992 bytes asked without privilege (what a stock kernel gives an
//           ordinary user);
//   rescan  10,000 listed servers answer a second scan with a changed player count;
//   flood   400 servers answer a scan while junk datagrams hit the four local ports.
#include "BenchFarm.h"
#include "BrowserModel.h"
#include "QueryProtocol.h"
#include "RangeFarm.h"
#include "SearchController.h"
#include "ServerIntake.h"
#include "ServerListModel.h"
#include "StallProbe.h"
#include "TNMUDP.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

// What the window wires for a scan: NMUDP1, the intake, the results model and the
// scan controller.
struct ScanRig {
    explicit ScanRig(ReceiveBufferRequest buffer)
        : Results(Browser.SearchResults), Model(Results), Intake(Browser), Udp(0, buffer),
          Controller(
              [this](const std::string& host, int port, std::span<const uint8_t> bytes) {
                  Udp.SendDatagram(host, port, bytes);
              },
              SystemClock::Instance()) {
        Udp.OnDataReceived = [this](TNMUDP& sender, int n, const std::string& ip, int port) {
            const qint64 start = Clock.nsecsElapsed();
            const ServerIntake::Outcome outcome = Intake.NMUDP1DataReceived(sender, n, ip, port);
            const qint64 end = Clock.nsecsElapsed();
            HandlerNs += end - start;
            if (outcome == ServerIntake::Outcome::Inserted ||
                outcome == ServerIntake::Outcome::Merged) {
                if (Taken++ == 0)
                    FirstAnswerNs = end;
                LastAnswerNs = end;
            }
        };
        Udp.SetAnswerTest(&LooksLikeInfoAnswer);
        Controller.SetPace([this] {
            const auto start = std::chrono::steady_clock::now();
            Udp.WaitForReceiveRoom();
            PaceNs += std::chrono::duration_cast<std::chrono::nanoseconds>(
                          std::chrono::steady_clock::now() - start)
                          .count();
        });
        Controller.SetSettle([this] { Udp.SettlePacedRequests(); });
        Controller.Finished = [this] { ScanDone = true; };
        Clock.start();
    }

    // Scans from..to on the farm's port; returns when `expected` rows are listed, or 3 s
    // after the scan without a new answer while the farm holds no request (a farm starved
    // of the processor answers late, but it answers).
    void Scan(QCoreApplication& app, const std::string& first, const std::string& last,
              const RangeFarm& farm, size_t expected, const std::function<bool()>& enough = {}) {
        const int port = farm.Port();
        ScanDone = false;
        Taken = 0;
        HandlerNs = 0;
        QTimer watch;
        watch.setInterval(20);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            const bool done = enough ? enough() : Results.size() >= expected;
            if (done ||
                (ScanDone &&
                 Clock.nsecsElapsed() - std::max(LastAnswerNs, StartNs) > 3'000'000'000 &&
                 !farm.HoldsRequests()) ||
                Clock.nsecsElapsed() - StartNs > 120'000'000'000)
                app.quit();
        });
        std::string from = first, to = last;
        QTimer::singleShot(0, [&] {
            StartNs = Clock.nsecsElapsed();
            watch.start();
            Controller.Begin(from, to, {port});
        });
        app.exec();
        watch.stop();
        // A stopped scan ends its walk before the rig goes on.
        Controller.Stop();
    }

    BrowserModel Browser;
    ServerRows& Results;
    ServerListModel Model;
    ServerIntake Intake;
    TNMUDP Udp;
    SearchController Controller;
    QElapsedTimer Clock;
    bool ScanDone = false;
    size_t Taken = 0;
    qint64 StartNs = 0, FirstAnswerNs = 0, LastAnswerNs = 0, HandlerNs = 0;
    std::atomic<int64_t> PaceNs{0};
};

struct BurstResult {
    uint64_t EndpointDrops = 0;
    uint64_t Resent = 0;
    std::vector<uint64_t> FarmDrops; // per socket, this burst only
    double PaceMs = 0;
    size_t Listed = 0;
    double ScanToLastRowMs = 0;
    double StallMs = 0;
    int Granted = 0;
};

BurstResult RunBurst(QCoreApplication& app, RangeFarm& farm, int count, const char* firstIp,
                     ReceiveBufferRequest buffer) {
    ScanRig rig(buffer);
    StallProbe probe;
    std::vector<uint64_t> drops = farm.DropsPerSocket();
    rig.Scan(app, firstIp, FarmAddress(firstIp, count - 1), farm, static_cast<size_t>(count));
    const std::vector<uint64_t> after = farm.DropsPerSocket();
    for (size_t i = 0; i < drops.size() && i < after.size(); ++i)
        drops[i] = after[i] - drops[i];
    return {rig.Udp.DroppedDatagrams(), rig.Udp.ResentRequests(),
            std::move(drops),           static_cast<double>(rig.PaceNs.load()) / 1e6,
            rig.Results.size(),         static_cast<double>(rig.LastAnswerNs - rig.StartNs) / 1e6,
            probe.LongestMs(),          rig.Udp.ReceiveBufferSize()};
}

// "total (socket: drops, ...)" for the sockets that dropped anything.
std::string DropText(const std::vector<uint64_t>& drops) {
    uint64_t total = 0;
    std::string which;
    for (size_t i = 0; i < drops.size(); ++i) {
        total += drops[i];
        if (drops[i] != 0)
            which += (which.empty() ? "" : ", ") + std::string("#") + std::to_string(i) + ": " +
                     std::to_string(drops[i]);
    }
    return std::to_string(total) + (which.empty() ? "" : " (" + which + ")");
}

// A line of /proc or /proc/sys, or "?".
std::string ReadLine(const char* path) {
    FILE* file = std::fopen(path, "r");
    if (!file)
        return "?";
    char line[256] = {};
    const bool read = std::fgets(line, sizeof line, file) != nullptr;
    std::fclose(file);
    std::string text = read ? line : "?";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

// Sends junk datagrams to the given local ports at `rate` per second until stopped.
class JunkFlood {
public:
    JunkFlood(std::vector<int> ports, double rate) {
        Thread = std::thread([this, ports = std::move(ports), rate] { Run(ports, rate); });
    }
    ~JunkFlood() { Stop(); }
    void Stop() {
        StopFlag = true;
        if (Thread.joinable())
            Thread.join();
    }
    double Rate() const { return AchievedRate; }

private:
    void Run(const std::vector<int>& ports, double rate) {
        const int fd = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in from{};
        from.sin_family = AF_INET;
        from.sin_addr.s_addr = htonl((127u << 24) | (32u << 16) | 1); // 127.32.0.1
        bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from);
        std::mt19937 random(7);
        std::vector<std::string> junk;
        for (int i = 0; i < 256; ++i) {
            std::string bytes(1 + random() % 300, '\0');
            for (char& c : bytes)
                c = static_cast<char>(random());
            // Some junk looks like the start of an info answer.
            if (i % 4 == 0 && bytes.size() > 6)
                bytes.replace(0, 5, "\xFF\xFF\xFF\xFFm", 5);
            junk.push_back(std::move(bytes));
        }
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const auto start = std::chrono::steady_clock::now();
        uint64_t sent = 0;
        while (!StopFlag) {
            const double elapsed =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const auto due = static_cast<uint64_t>(elapsed * rate);
            if (sent >= due) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
                continue;
            }
            for (; sent < due && !StopFlag; ++sent) {
                const std::string& bytes = junk[sent % junk.size()];
                to.sin_port = htons(static_cast<uint16_t>(ports[sent % ports.size()]));
                sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to),
                       sizeof to);
            }
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        AchievedRate = static_cast<double>(sent) / seconds;
        close(fd);
    }

    std::atomic<bool> StopFlag{false};
    double AchievedRate = 0;
    std::thread Thread;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    RaiseDescriptorLimit();
    struct Burst {
        int Count;
        const char* Label;
        ReceiveBufferRequest Buffer;
        BurstResult Result;
    };
    std::vector<Burst> bursts;
    // The simulated servers answer each request as it comes from a group of sockets whose
    // buffers hold a whole scan's requests, on several threads, as servers on machines of
    // their own would. Each farm takes a free port of the system's choosing.
    auto startFarm = [](RangeFarm& farm) {
        if (farm.Start())
            return true;
        std::fprintf(stderr, "farm failed: %s\n", farm.LastError().c_str());
        return false;
    };
    struct FarmShape {
        int Count;
        size_t Sockets;
        int Granted;
    };
    std::vector<FarmShape> shapes;
    for (const int count : {5000, 20000}) {
        RangeFarm farm("127.31.0.1", count);
        if (!startFarm(farm))
            return 1;
        shapes.push_back({count, farm.DropsPerSocket().size(), farm.GrantedBuffer()});
        for (const auto& [label, buffer] :
             {std::pair{"default request", ReceiveBufferRequest{}},
              std::pair{"212,992 unforced", ReceiveBufferRequest::Stock()}})
            bursts.push_back(
                {count, label, buffer, RunBurst(app, farm, count, "127.31.0.1", buffer)});
    }

    // Rescan: every listed server answers again with a new player count.
    constexpr int RescanCount = 10000;
    const char* const rescanIp = "127.33.0.1";
    RangeFarm rescanFarm(rescanIp, RescanCount);
    if (!startFarm(rescanFarm))
        return 1;
    ScanRig rescan(ReceiveBufferRequest::Stock());
    const std::string rescanLast = FarmAddress(rescanIp, RescanCount - 1);
    rescan.Scan(app, rescanIp, rescanLast, rescanFarm, RescanCount);
    const size_t firstListed = rescan.Results.size();
    rescanFarm.SetPlayers(7);
    StallProbe rescanProbe;
    rescan.Scan(app, rescanIp, rescanLast, rescanFarm, RescanCount,
                [&] { return rescan.Taken >= RescanCount; });
    const double rescanStall = rescanProbe.LongestMs();
    const auto rescanUpdated = static_cast<size_t>(
        std::count_if(rescan.Results.begin(), rescan.Results.end(),
                      [](const ServerStructure& row) { return row.Players == "7"; }));
    const double takenSpanS = static_cast<double>(rescan.LastAnswerNs - rescan.FirstAnswerNs) / 1e9;
    const double handlerS = static_cast<double>(rescan.HandlerNs) / 1e9;
    const std::string rescanFarmDrops = DropText(rescanFarm.DropsPerSocket());
    const uint64_t rescanEndpointDrops = rescan.Udp.DroppedDatagrams();

    // Flood: junk on the four local ports while 400 servers answer a scan.
    constexpr int FloodCount = 400;
    constexpr double FloodRate = 200000;
    const char* const floodIp = "127.34.0.1";
    rescanFarm.Stop();
    RangeFarm floodFarm(floodIp, FloodCount);
    if (!startFarm(floodFarm))
        return 1;
    std::vector<std::unique_ptr<TNMUDP>> others;
    for (const int port : {27000, 27002, 27003})
        others.push_back(std::make_unique<TNMUDP>(port));
    ScanRig flood(ReceiveBufferRequest::Stock());
    flood.Udp.SetLocalPort(27005);
    std::vector<int> floodPorts{flood.Udp.BoundPort()};
    for (const auto& endpoint : others)
        floodPorts.push_back(endpoint->BoundPort());
    StallProbe floodProbe;
    JunkFlood junk(floodPorts, FloodRate);
    // The flood runs a moment before the scan starts, so the scan meets it in full.
    QTimer::singleShot(300, &app, &QCoreApplication::quit);
    app.exec();
    flood.Scan(app, floodIp, FarmAddress(floodIp, FloodCount - 1), floodFarm, FloodCount);
    junk.Stop();
    const double floodStall = floodProbe.LongestMs();

    std::printf("\nmachine: loadavg %s; net.core.rmem_max %s, rmem_default %s; uid %d\n",
                ReadLine("/proc/loadavg").c_str(), ReadLine("/proc/sys/net/core/rmem_max").c_str(),
                ReadLine("/proc/sys/net/core/rmem_default").c_str(), static_cast<int>(getuid()));
    for (const FarmShape& shape : shapes)
        std::printf("farm of %d servers: %zu sockets of %d B granted, served by 4 threads\n",
                    shape.Count, shape.Sockets, shape.Granted);
    std::printf("burst intake\n");
    bool allListed = true;
    uint64_t endpointDrops = 0, resent = 0;
    for (const Burst& b : bursts) {
        std::printf("  %6d servers, %-17s (granted %8d B): listed %6zu of %d, scan start -> "
                    "last row %7.1f ms, longest UI-thread stall %5.1f ms\n",
                    b.Count, b.Label, b.Result.Granted, b.Result.Listed, b.Count,
                    b.Result.ScanToLastRowMs, b.Result.StallMs);
        std::printf("      drops at the endpoint %llu (requests sent again %llu); at the farm's "
                    "sockets %s; scan held %.1f ms\n",
                    static_cast<unsigned long long>(b.Result.EndpointDrops),
                    static_cast<unsigned long long>(b.Result.Resent),
                    DropText(b.Result.FarmDrops).c_str(), b.Result.PaceMs);
        allListed = allListed && b.Result.Listed == static_cast<size_t>(b.Count);
        endpointDrops += b.Result.EndpointDrops;
        resent += b.Result.Resent;
    }
    std::printf("  (targets: all listed in every run, whatever the endpoint dropped; stall < 50 "
                "ms)\n");
    std::printf("rescan of %d listed servers (212,992 B unforced)\n", RescanCount);
    std::printf("  listed before            : %zu\n", firstListed);
    std::printf("  rows updated             : %zu of %d (target all)\n", rescanUpdated,
                RescanCount);
    std::printf("  answers taken            : %zu in %.1f ms from first to last\n", rescan.Taken,
                takenSpanS * 1e3);
    std::printf("  answers/s, UI-thread time: %.0f (handler time %.1f ms; target >= 100,000)\n",
                static_cast<double>(rescan.Taken) / handlerS, handlerS * 1e3);
    std::printf("  longest UI-thread stall  : %.1f ms (target < 50)\n", rescanStall);
    std::printf("  drops                    : endpoint %llu; farm %s\n",
                static_cast<unsigned long long>(rescanEndpointDrops), rescanFarmDrops.c_str());
    std::printf("scan of %d servers under a junk flood on ports %d,%d,%d,%d\n", FloodCount,
                floodPorts[0], floodPorts[1], floodPorts[2], floodPorts[3]);
    std::printf("  junk rate achieved       : %.0f datagrams/s (asked %.0f)\n", junk.Rate(),
                FloodRate);
    std::printf("  listed                   : %zu of %d (target all)\n", flood.Results.size(),
                FloodCount);
    std::printf("  longest UI-thread stall  : %.1f ms\n", floodStall);
    std::printf("  drops (junk included)    : endpoint %llu; farm %s\n",
                static_cast<unsigned long long>(flood.Udp.DroppedDatagrams()),
                DropText(floodFarm.DropsPerSocket()).c_str());
    std::printf("bursts: %s listed; %llu answers dropped at the endpoint, %llu requests sent "
                "again for them\n",
                allListed ? "all" : "NOT all", static_cast<unsigned long long>(endpointDrops),
                static_cast<unsigned long long>(resent));
    return allListed ? 0 : 2;
}
