// quarrix-cli scan against qstat (quakestat -hlqs) over the same 1,000 simulated
// servers, in the same run: wall time of each and how many servers each listed.
#include "BenchFarm.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cstdio>

namespace {

constexpr int ServerCount = 1000;
const char* const FirstIp = "127.31.10.1";

struct Timed {
    double Ms = 0;
    int Listed = 0;
    int Exit = -1;
};

Timed RunTimed(const QString& program, const QStringList& args, char separator) {
    QProcess p;
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    p.waitForFinished(120000);
    Timed r;
    r.Ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
    r.Exit = p.exitCode();
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        // qstat -raw prints DOWN / TIMEOUT lines for servers that did not answer.
        if (line.trimmed().isEmpty() || line.contains(",DOWN") || line.contains(",TIMEOUT") ||
            line.contains("ERROR"))
            continue;
        if (line.count(separator) >= 3)
            ++r.Listed;
    }
    return r;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString qstat = QStandardPaths::findExecutable(QStringLiteral("quakestat"));
    if (qstat.isEmpty()) {
        std::fprintf(stderr, "quakestat is not installed (apt-get install qstat)\n");
        return 77;
    }
    const int waitMs = argc > 1 ? std::atoi(argv[1]) : 300;

    FakeServerFarm farm;
    if (!StartBenchFarm(farm, ServerCount, FirstIp))
        return 1;
    const std::string lastIp = FarmAddress(FirstIp, ServerCount - 1);
    QTemporaryFile list;
    list.open();
    for (int i = 0; i < ServerCount; ++i)
        list.write(QByteArray::fromStdString(FarmAddress(FirstIp, i) + ":27015\n"));
    list.flush();

    const QStringList cliArgs{QStringLiteral("scan"),         QString::fromStdString(FirstIp),
                              QString::fromStdString(lastIp), QStringLiteral("--ports"),
                              QStringLiteral("27015"),        QStringLiteral("--wait-ms"),
                              QString::number(waitMs)};
    const QStringList qstatArgs{
        QStringLiteral("-default"), QStringLiteral("hlqs"), QStringLiteral("-f"), list.fileName(),
        QStringLiteral("-raw"),     QStringLiteral(","),    QStringLiteral("-nh")};
    // The same scan asking for the receive buffer an ordinary user gets on a stock kernel.
    const QStringList stockArgs =
        cliArgs + QStringList{QStringLiteral("--receive-buffer"), QStringLiteral("212992")};
    // Alternate, best of three each.
    Timed cli{1e18}, stock{1e18}, other{1e18};
    for (int round = 0; round < 3; ++round) {
        const Timed c = RunTimed(QStringLiteral(QUARRIX_CLI), cliArgs, '\t');
        if (c.Ms < cli.Ms)
            cli = c;
        const Timed s = RunTimed(QStringLiteral(QUARRIX_CLI), stockArgs, '\t');
        if (s.Ms < stock.Ms)
            stock = s;
        const Timed q = RunTimed(qstat, qstatArgs, ',');
        if (q.Ms < other.Ms)
            other = q;
    }
    std::printf("quarrix-cli vs qstat: %d simulated servers %s..%s:27015 (best of 3)\n",
                ServerCount, FirstIp, lastIp.c_str());
    std::printf("  quarrix-cli scan %s %s --ports 27015 --wait-ms %d\n", FirstIp, lastIp.c_str(),
                waitMs);
    std::printf("      %8.1f ms, %d listed (includes the %d ms wait after the last request)\n",
                cli.Ms, cli.Listed, waitMs);
    std::printf("  the same with --receive-buffer 212992\n");
    std::printf("      %8.1f ms, %d listed\n", stock.Ms, stock.Listed);
    std::printf("  quakestat -default hlqs -f LIST -raw , -nh\n");
    std::printf("      %8.1f ms, %d listed\n", other.Ms, other.Listed);
    // A scan cannot know how many servers will answer, so it always waits after its last
    // request; qstat is given the list and stops at the last answer.
    const double work = cli.Ms - waitMs;
    std::printf("  ratio qstat / quarrix-cli, whole run      : %.2f\n", other.Ms / cli.Ms);
    std::printf("  ratio qstat / quarrix-cli, wait left out  : %.2f (%.1f ms of scan work)\n",
                other.Ms / work, work);
    return 0;
}
