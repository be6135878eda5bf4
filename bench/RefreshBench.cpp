// One refresh pass over 2,000 simulated servers through the real main window, offscreen:
// the rows are put into SearchResults through the model and the pass is started as the
// refresh button starts it. Prints how many rows took an answer, the longest time the UI
// thread could not run a 1 ms timer, the pass time against its pacing floor
// (rows × 5 ms), and the largest error of the shown response times against the
// servers' known answer delays (0..40 ms). Loopback only: 127.43.x.x.
#include "BenchFarm.h"
#include "RefreshController.h"
#include "ServerRows.h"
#include "StallProbe.h"
#include "TForm1.h"
#include "TNMUDP.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int ServerCount = 2000;
constexpr int MaxDelayMs = 40;
constexpr const char* FirstIp = "127.43.0.1";

// Turns the event loop until `done` holds or the time is up; false on time-out.
template <class Done> bool RunUntil(Done done, int timeoutMs) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() > timeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

// A start folder of the benchmark's own, so the window's files (favorites written at
// close) never depend on, or land in, the folder it was started from.
class OwnStartFolder {
public:
    OwnStartFolder() {
        std::error_code ec;
        Previous = std::filesystem::current_path(ec);
        std::string name =
            (std::filesystem::temp_directory_path(ec) / "quarrix-bench-XXXXXX").string();
        if (mkdtemp(name.data()) && chdir(name.c_str()) == 0)
            Folder = name;
    }
    ~OwnStartFolder() {
        std::error_code ec;
        std::filesystem::current_path(Previous, ec);
        if (!Folder.empty())
            std::filesystem::remove_all(Folder, ec);
    }
    bool Ok() const { return !Folder.empty(); }

private:
    std::filesystem::path Previous;
    std::string Folder;
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    OwnStartFolder startFolder;
    if (!startFolder.Ok()) {
        std::fprintf(stderr, "no temporary start folder\n");
        return 1;
    }

    RaiseDescriptorLimit();
    FakeServerFarm farm;
    std::vector<int> delays;
    for (int i = 0; i < ServerCount; ++i) {
        FakeServerConfig config;
        config.Ip = FarmAddress(FirstIp, i);
        config.Port = 27015;
        config.Name = "Bench #" + std::to_string(i + 1);
        config.DelayMs = (i * 7) % (MaxDelayMs + 1);
        delays.push_back(config.DelayMs);
        if (farm.Add(config) < 0) {
            std::fprintf(stderr, "farm failed at %s\n", config.Ip.c_str());
            return 1;
        }
    }
    if (!farm.Start()) {
        std::fprintf(stderr, "farm failed: %s\n", farm.LastError().c_str());
        return 1;
    }

    TForm1 window;
    window.CreateEndpoints();
    window.show();
    QApplication::processEvents();

    std::vector<ServerStructure> rows;
    for (int i = 0; i < ServerCount; ++i) {
        ServerStructure row;
        row.IP = FarmAddress(FirstIp, i);
        row.Port = "27015";
        row.Protocol = "00";
        rows.push_back(row);
    }
    ServerRows& results = window.Model().SearchResults;
    results.InsertSortedMany(std::move(rows), 1, true);
    RunUntil([] { return false; }, 100); // the view takes the rows in

    StallProbe probe;
    RunUntil([] { return false; }, 50);
    probe.Reset();
    QElapsedTimer passTime;
    passTime.start();
    window.ToolButton_RefreshList->click();
    // The pass has queried its last row when the button comes back.
    const bool ended = RunUntil([&] { return window.ToolButton_RefreshList->isEnabled(); }, 60000);
    const double passMs = static_cast<double>(passTime.nsecsElapsed()) / 1e6;
    auto answered = [&] {
        return std::count_if(results.begin(), results.end(),
                             [](const ServerStructure& row) { return row.Answered; });
    };
    RunUntil([&] { return answered() == ServerCount; }, 2000);
    const double stallMs = probe.LongestMs();

    std::map<std::string, int> delayOf;
    for (int i = 0; i < ServerCount; ++i)
        delayOf[FarmAddress(FirstIp, i)] = delays[static_cast<size_t>(i)];
    long refreshed = 0;
    int worst = 0;
    double errorSum = 0;
    std::vector<int> late; // shown minus known delay, signed
    for (size_t i = 0; i < results.size(); ++i) {
        const ServerStructure& row = results[i];
        if (!row.Answered || !row.Alive || row.Response.empty())
            continue;
        ++refreshed;
        late.push_back(std::atoi(row.Response.c_str()) - delayOf.at(row.IP));
        const int error = std::abs(late.back());
        worst = std::max(worst, error);
        errorSum += error;
    }
    const double floorMs = ServerCount * RefreshController::PaceMs;

    std::printf("bench_refresh: one pass over %d simulated servers (answer delays 0..%d ms)\n",
                ServerCount, MaxDelayMs);
    std::printf("  NMUDP2 bound to local port %d\n",
                window.NMUDP2 ? window.NMUDP2->BoundPort() : 0);
    if (!ended)
        std::printf("  the pass did not end within 60 s\n");
    std::printf("  rows refreshed:            %ld / %d (target: all)\n", refreshed, ServerCount);
    std::printf("  longest UI-thread stall:   %.1f ms (target < 50 ms)\n", stallMs);
    std::printf("  pass time:                 %.0f ms, pacing floor %.0f ms, ratio %.3f\n", passMs,
                floorMs, passMs / floorMs);
    std::sort(late.begin(), late.end());
    auto percentile = [&](double p) {
        return late.empty() ? 0 : late[static_cast<size_t>(p * double(late.size() - 1))];
    };
    std::printf("  response time error:       largest %d ms, mean %.2f ms\n", worst,
                refreshed ? errorSum / static_cast<double>(refreshed) : 0.0);
    std::printf("  shown minus known delay:   min %d, median %d, p90 %d, p99 %d, max %d ms\n",
                percentile(0), percentile(0.5), percentile(0.9), percentile(0.99), percentile(1));
    window.close();
    return refreshed == ServerCount ? 0 : 1;
}
