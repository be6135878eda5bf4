#include "RangeFarm.h"

#include "FakeServer.h"

#include <arpa/inet.h>
#include <linux/filter.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>

namespace {

constexpr int Batch = 64;
// Serving threads; each takes every ThreadCount-th socket.
constexpr size_t ThreadCount = 4;
// What one waiting request costs a socket's buffer in the system's accounting (a small
// datagram on loopback takes about 832 bytes).
constexpr int RequestCost = 1024;
// The system spreads requests over the sockets by a hash, never evenly: each socket is
// sized for twice its share.
constexpr int ShareMargin = 2;
constexpr int MinSockets = 8;
constexpr int MaxSockets = 512;

// Position of an address in the range as a scan counts it, or -1 outside it.
int IndexOf(uint32_t first, uint32_t address, int count) {
    auto ordinal = [](uint32_t a) -> int64_t {
        return int64_t(a >> 8) * 254 + int64_t(a & 255) - 1;
    };
    if ((address & 255) == 0 || (address & 255) == 255)
        return -1;
    const int64_t index = ordinal(address) - ordinal(first);
    return index >= 0 && index < count ? int(index) : -1;
}

// The challenge of one address and port: differs from server to server.
uint32_t ChallengeOf(uint32_t address, uint16_t port) {
    return (address * 2654435761u) ^ (uint32_t(port) * 40503u) ^ 0x5A17C0DEu;
}

} // namespace

RangeFarm::RangeFarm(std::string firstIp, int count, uint16_t port, FarmDialect dialect)
    : FirstIp(std::move(firstIp)), Count(count), RequestedPort(port), Dialect(dialect) {}

RangeFarm::~RangeFarm() {
    Stop();
}

bool RangeFarm::OpenSocket(int wantedBuffer) {
    const int handle = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (handle < 0) {
        Error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    Handles.push_back(handle);
    const int on = 1;
    setsockopt(handle, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    setsockopt(handle, SOL_SOCKET, SO_REUSEPORT, &on, sizeof on);
    // Without privilege the request is capped at the system's limit; more sockets then
    // make up for it.
    if (setsockopt(handle, SOL_SOCKET, SO_RCVBUFFORCE, &wantedBuffer, sizeof wantedBuffer) != 0)
        setsockopt(handle, SOL_SOCKET, SO_RCVBUF, &wantedBuffer, sizeof wantedBuffer);
    int granted = 0;
    socklen_t length = sizeof granted;
    getsockopt(handle, SOL_SOCKET, SO_RCVBUF, &granted, &length);
    Granted = Granted == 0 ? granted : std::min(Granted, granted);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(BoundPort);
    if (bind(handle, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        Error = "bind 0.0.0.0:" + std::to_string(BoundPort) + ": " + std::strerror(errno);
        return false;
    }
    if (BoundPort == 0) {
        length = sizeof local;
        getsockname(handle, reinterpret_cast<sockaddr*>(&local), &length);
        BoundPort = ntohs(local.sin_port);
    }
    return true;
}

bool RangeFarm::Start() {
    Stop();
    if (!IsLoopbackAddress(FirstIp) || FarmAddress(FirstIp, Count - 1).empty()) {
        Error = "range " + FirstIp + " + " + std::to_string(Count) + " leaves 127.0.0.0/8";
        return false;
    }
    BoundPort = RequestedPort;
    Granted = 0;
    // The first socket tells what the system grants; the group then has enough sockets
    // to hold every request of one scan at once.
    const int64_t burstBytes = int64_t{Count} * RequestCost * ShareMargin;
    if (!OpenSocket(static_cast<int>(std::min<int64_t>(burstBytes, 1 << 30)))) {
        Stop();
        return false;
    }
    const int64_t needed = (burstBytes + Granted - 1) / std::max(Granted, 1);
    const int sockets = static_cast<int>(std::clamp<int64_t>(needed, MinSockets, MaxSockets));
    const int share =
        static_cast<int>(std::min<int64_t>(burstBytes / sockets + RequestCost * Batch, 1 << 30));
    for (int i = 1; i < sockets; ++i) {
        if (!OpenSocket(share)) {
            Stop();
            return false;
        }
    }
    // The system's own choice within the group hashes the sender, which is one socket for
    // a whole scan; the farm spreads by the address asked instead, as servers of their own
    // would each get only their own requests.
    sock_filter spread[] = {
        {BPF_LD | BPF_W | BPF_ABS, 0, 0, static_cast<uint32_t>(SKF_NET_OFF + 16)},
        {BPF_ALU | BPF_MOD | BPF_K, 0, 0, static_cast<uint32_t>(sockets)},
        {BPF_RET | BPF_A, 0, 0, 0},
    };
    const sock_fprog program{static_cast<unsigned short>(std::size(spread)), spread};
    if (setsockopt(Handles.front(), SOL_SOCKET, SO_ATTACH_REUSEPORT_CBPF, &program,
                   sizeof program) != 0) {
        Error = std::string("spreading requests over the sockets: ") + std::strerror(errno);
        Stop();
        return false;
    }
    StopRequested = false;
    for (size_t t = 0; t < ThreadCount; ++t)
        Threads.emplace_back([this, t] { Run(t); });
    return true;
}

void RangeFarm::Stop() {
    StopRequested = true;
    for (std::thread& thread : Threads)
        thread.join();
    Threads.clear();
    for (const int handle : Handles)
        close(handle);
    Handles.clear();
}

std::vector<uint64_t> RangeFarm::DropsPerSocket() const {
    std::vector<uint64_t> drops;
    for (const int handle : Handles) {
        uint32_t info[SK_MEMINFO_VARS] = {};
        socklen_t length = sizeof info;
        const bool known = getsockopt(handle, SOL_SOCKET, SO_MEMINFO, info, &length) == 0 &&
                           length > SK_MEMINFO_DROPS * sizeof(uint32_t);
        drops.push_back(known ? info[SK_MEMINFO_DROPS] : 0);
    }
    return drops;
}

bool RangeFarm::HoldsRequests() const {
    for (const int handle : Handles) {
        uint32_t info[SK_MEMINFO_VARS] = {};
        socklen_t length = sizeof info;
        if (getsockopt(handle, SOL_SOCKET, SO_MEMINFO, info, &length) == 0 &&
            info[SK_MEMINFO_RMEM_ALLOC] != 0)
            return true;
    }
    return false;
}

void RangeFarm::Run(size_t first) {
    std::vector<pollfd> ready;
    for (size_t i = first; i < Handles.size(); i += ThreadCount)
        ready.push_back({Handles[i], POLLIN, 0});
    while (!StopRequested) {
        if (poll(ready.data(), ready.size(), 50) <= 0)
            continue;
        for (const pollfd& r : ready) {
            if (r.revents != 0)
                Serve(r.fd);
        }
    }
}

void RangeFarm::Serve(int handle) {
    uint32_t first = 0;
    inet_pton(AF_INET, FirstIp.c_str(), &first);
    first = ntohl(first);
    static thread_local char buffers[Batch][2048];
    char controls[Batch][CMSG_SPACE(sizeof(in_pktinfo))];
    sockaddr_in senders[Batch];
    iovec vectors[Batch];
    mmsghdr messages[Batch];
    std::memset(messages, 0, sizeof messages);
    for (int i = 0; i < Batch; ++i) {
        vectors[i] = {buffers[i], sizeof buffers[i]};
        messages[i].msg_hdr = {
            &senders[i], sizeof senders[i], &vectors[i], 1, controls[i], sizeof controls[i], 0};
    }
    const int n = recvmmsg(handle, messages, Batch, MSG_DONTWAIT, nullptr);
    FakeServerConfig config;
    config.Port = BoundPort;
    const bool binary = Dialect == FarmDialect::BinaryWithChallenge;
    config.Dialect = binary ? FakeDialect::Binary : FakeDialect::Text;
    config.Challenge = true;
    for (int i = 0; i < n; ++i) {
        msghdr& request = messages[i].msg_hdr;
        in_pktinfo info{};
        bool known = false;
        for (cmsghdr* c = CMSG_FIRSTHDR(&request); c; c = CMSG_NXTHDR(&request, c)) {
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                std::memcpy(&info, CMSG_DATA(c), sizeof info);
                known = true;
            }
        }
        const std::string_view data(buffers[i], messages[i].msg_len);
        const uint32_t address = ntohl(info.ipi_addr.s_addr);
        const int index = known ? IndexOf(first, address, Count) : -1;
        if (index < 0)
            continue;
        const bool asked = binary ? ClassifyRequest(data, false) == 'T'
                                  : data.substr(0, 14) == "\xFF\xFF\xFF\xFFinfostring";
        if (!asked)
            continue;
        char ip[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &info.ipi_addr, ip, sizeof ip);
        config.Ip = ip;
        config.Name = "Fake #" + std::to_string(index + 1);
        config.Players = Players.load();
        std::string answer;
        if (!binary) {
            answer = BuildInfoAnswer(config);
        } else {
            const auto replies =
                BuildA2sAnswers(config, 'T', data, ChallengeOf(address, BoundPort), 0);
            if (replies.empty())
                continue;
            answer = replies.front();
        }
        // Answered from the address that was asked, as that server would.
        iovec out{const_cast<char*>(answer.data()), answer.size()};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
        msghdr reply{&senders[i], sizeof senders[i], &out, 1, control, sizeof control, 0};
        cmsghdr* c = CMSG_FIRSTHDR(&reply);
        c->cmsg_level = IPPROTO_IP;
        c->cmsg_type = IP_PKTINFO;
        c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo source{};
        source.ipi_spec_dst = info.ipi_addr;
        std::memcpy(CMSG_DATA(c), &source, sizeof source);
        if (sendmsg(handle, &reply, 0) >= 0)
            ++(binary && answer[4] == 'A' ? Challenges : Answers);
    }
}
