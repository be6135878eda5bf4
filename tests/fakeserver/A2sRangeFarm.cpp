#include "A2sRangeFarm.h"

#include "FakeServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr int Batch = 64;
constexpr int SocketsPerPort = 32;
constexpr int WantedBuffer = 8 << 20;

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

A2sRangeFarm::A2sRangeFarm(std::string firstIp, int count, std::vector<uint16_t> ports,
                           Dialect dialect)
    : FirstIp(std::move(firstIp)), Count(count), Ports(std::move(ports)), Kind(dialect) {}

A2sRangeFarm::~A2sRangeFarm() {
    Stop();
}

bool A2sRangeFarm::Start() {
    Stop();
    if (!IsLoopbackAddress(FirstIp) || FarmAddress(FirstIp, Count - 1).empty()) {
        Error = "range " + FirstIp + " + " + std::to_string(Count) + " leaves 127.0.0.0/8";
        return false;
    }
    for (const uint16_t port : Ports) {
        for (int i = 0; i < SocketsPerPort; ++i) {
            const int handle = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            if (handle < 0) {
                Error = std::string("socket: ") + std::strerror(errno);
                Stop();
                return false;
            }
            Handles.emplace_back(handle, port);
            const int on = 1;
            setsockopt(handle, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
            // The simulated servers' own sockets (never Quarrix's local ports) share the port.
            setsockopt(handle, SOL_SOCKET, SO_REUSEPORT, &on, sizeof on);
            if (setsockopt(handle, SOL_SOCKET, SO_RCVBUFFORCE, &WantedBuffer,
                           sizeof WantedBuffer) != 0)
                setsockopt(handle, SOL_SOCKET, SO_RCVBUF, &WantedBuffer, sizeof WantedBuffer);
            sockaddr_in local{};
            local.sin_family = AF_INET;
            local.sin_port = htons(port);
            if (bind(handle, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
                Error = "bind 0.0.0.0:" + std::to_string(port) + ": " + std::strerror(errno);
                Stop();
                return false;
            }
        }
    }
    StopRequested = false;
    Thread = std::thread([this] { Run(); });
    return true;
}

void A2sRangeFarm::Stop() {
    StopRequested = true;
    if (Thread.joinable())
        Thread.join();
    for (const auto& [handle, port] : Handles)
        close(handle);
    Handles.clear();
}

void A2sRangeFarm::Run() {
    setpriority(PRIO_PROCESS, 0, 19); // this thread only
    std::vector<pollfd> ready;
    for (const auto& [handle, port] : Handles)
        ready.push_back({handle, POLLIN, 0});
    while (!StopRequested) {
        if (poll(ready.data(), ready.size(), 50) <= 0)
            continue;
        for (size_t i = 0; i < ready.size(); ++i)
            if (ready[i].revents != 0)
                Serve(ready[i].fd, Handles[i].second);
    }
}

void A2sRangeFarm::Serve(int handle, uint16_t port) {
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
    config.Port = port;
    config.Dialect = Kind == Dialect::Text ? FakeDialect::Text : FakeDialect::Binary;
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
        const char kind = ClassifyRequest(data, false);
        std::string answer;
        char ip[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &info.ipi_addr, ip, sizeof ip);
        config.Ip = ip;
        config.Name = "Fake #" + std::to_string(index * int(Ports.size()) + 1);
        if (Kind == Dialect::Text && kind == 'i') {
            answer = BuildInfoAnswer(config);
        } else if (Kind == Dialect::BinaryWithChallenge && kind == 'T') {
            const auto replies = BuildA2sAnswers(config, kind, data, ChallengeOf(address, port), 0);
            if (replies.empty())
                continue;
            answer = replies.front();
        } else {
            continue;
        }
        iovec out{answer.data(), answer.size()};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
        msghdr reply{&senders[i], sizeof senders[i], &out, 1, control, sizeof control, 0};
        cmsghdr* c = CMSG_FIRSTHDR(&reply);
        c->cmsg_level = IPPROTO_IP;
        c->cmsg_type = IP_PKTINFO;
        c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo source{};
        source.ipi_spec_dst = info.ipi_addr;
        std::memcpy(CMSG_DATA(c), &source, sizeof source);
        if (sendmsg(handle, &reply, 0) >= 0) {
            if (answer[4] == 'A')
                ++Challenges;
            else
                ++Answers;
        }
    }
}
