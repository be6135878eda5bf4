// Scan rate: the real SearchThread sending through TNMUDP over 127.1.0.0/16 × 3 ports,
// against a plain sendto loop over the same requests, in the same run.
#include "AddressCheck.h"
#include "QueryProtocol.h"
#include "SearchThread.h"
#include "TNMUDP.h"

#include <QCoreApplication>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <future>

namespace {

using Clock = std::chrono::steady_clock;
const std::vector<int32_t> Ports{27015, 27016, 27017};
constexpr uint32_t First = (127u << 24) | (1u << 16) | 1;     // 127.1.0.1
constexpr uint32_t Last = (127u << 24) | (1u << 16) | 0xFFFE; // 127.1.255.254

// The baseline: the same addresses, skip rule and ports, straight into sendto.
double RawRate(uint64_t& requests) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    const auto& request = InfoRequest();
    sockaddr_in to{};
    to.sin_family = AF_INET;
    requests = 0;
    const auto start = Clock::now();
    for (uint32_t a = First; a <= Last; ++a) {
        if ((a & 0xFF) == 0 || (a & 0xFF) == 255)
            continue;
        to.sin_addr.s_addr = htonl(a);
        for (const int32_t port : Ports) {
            to.sin_port = htons(static_cast<uint16_t>(port));
            sendto(fd, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&to),
                   sizeof to);
            ++requests;
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    close(fd);
    return static_cast<double>(requests) / seconds;
}

double ScanRate(TNMUDP& udp, uint64_t& requests) {
    SearchThread worker([&](const std::string& host, int port, std::span<const uint8_t> bytes) {
        udp.SendDatagram(host, port, bytes);
    });
    std::promise<void> done;
    const auto start = Clock::now();
    worker.Start({First, Last, Ports}, [&] { done.set_value(); });
    done.get_future().wait();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    worker.Join();
    requests = worker.Latest().Count;
    return static_cast<double>(requests) / seconds;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    TNMUDP udp(0);
    double raw = 0, scan = 0;
    uint64_t rawRequests = 0, scanRequests = 0;
    // Alternate and keep the best of three each, so a busy moment hurts neither side alone.
    for (int round = 0; round < 3; ++round) {
        raw = std::max(raw, RawRate(rawRequests));
        scan = std::max(scan, ScanRate(udp, scanRequests));
    }
    std::printf("scan rate over 127.1.0.0/16 x 3 ports (%llu requests per run, best of 3)\n",
                static_cast<unsigned long long>(scanRequests));
    std::printf("  raw sendto loop : %10.0f requests/s (%llu requests)\n", raw,
                static_cast<unsigned long long>(rawRequests));
    std::printf("  SearchThread    : %10.0f requests/s\n", scan);
    std::printf("  ratio           : %10.2f (target >= 0.80)\n", scan / raw);
    return 0;
}
