#include "FakeServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint64_t WakeMarker = ~uint64_t{0};
constexpr int MaxReadsPerWake = 64; // per socket, so one busy server cannot starve others
constexpr size_t MaxDatagram = 65536;

// Shared by every farm so that requests of two farms in one test still order.
std::atomic<uint64_t> GlobalSeq{0};

// A reported address that parses as IPv4 must stay in loopback, or a client that
// believes it would send there; malformed text is allowed for malformed-answer cases.
bool ReportedAddressSafe(const std::string& reported) {
    const std::string ip = reported.substr(0, reported.find(':'));
    in_addr parsed{};
    return IsLoopbackAddress(ip) || inet_pton(AF_INET, ip.c_str(), &parsed) != 1;
}

void RaiseFileLimit(size_t needed) {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= needed)
        return;
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
}

} // namespace

struct FakeServerFarm::Server {
    FakeServerConfig Config;
    int Fd = -1;
    uint32_t Challenge = 0; // what its binary queries must carry
    uint32_t Serial = 0;    // binary replies so far
};

struct FakeServerFarm::Pending {
    Clock::time_point Due;
    uint64_t Order = 0;
    int Fd = -1;
    sockaddr_in To{};
    std::string Data;
};

struct FakeServerFarm::Datagram {
    int Server = -1;
    int Fd = -1;
    sockaddr_in From{};
    std::string Data;
    int64_t Ns = 0;
};

namespace {
// Orders the delay queue as a min-heap: earliest due first, then first queued.
bool LaterThan(const Clock::time_point& aDue, uint64_t aOrder, const Clock::time_point& bDue,
               uint64_t bOrder) {
    return aDue != bDue ? aDue > bDue : aOrder > bOrder;
}
} // namespace

FakeServerFarm::FakeServerFarm() = default;

FakeServerFarm::~FakeServerFarm() {
    Stop();
}

int FakeServerFarm::Add(FakeServerConfig config) {
    if (!IsLoopbackAddress(config.Ip) || !ReportedAddressSafe(config.ReportedAddress)) {
        std::lock_guard lock(Mutex);
        Error = "refused address " + config.Ip + " / " + config.ReportedAddress +
                ": only 127.0.0.0/8 is served";
        return -1;
    }
    auto server = std::make_unique<Server>();
    server->Config = std::move(config);
    // Differs from server to server, so a client that mixes them up is caught.
    static std::atomic<uint32_t> challenges{0x2F1D0C01u};
    server->Challenge = challenges.fetch_add(0x9E3779B9u);
    if (!Running()) {
        std::lock_guard lock(Mutex);
        Servers.push_back(std::move(server));
        return int(Servers.size()) - 1;
    }
    RaiseFileLimit(size_t(ServerCount()) + 64);
    if (!OpenSocket(*server))
        return -1;
    const int fd = server->Fd;
    int id = 0;
    {
        std::lock_guard lock(Mutex);
        Servers.push_back(std::move(server));
        id = int(Servers.size()) - 1;
    }
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = (uint64_t(uint32_t(id)) << 32) | uint32_t(fd);
    epoll_ctl(Epoll, EPOLL_CTL_ADD, fd, &event);
    return id;
}

int FakeServerFarm::AddMany(int count, std::string_view firstIp, uint16_t port,
                            FakeServerConfig base) {
    int first = -1;
    for (int i = 0; i < count; ++i) {
        FakeServerConfig config = base;
        config.Ip = FarmAddress(firstIp, i);
        config.Port = port;
        if (base.Name.empty())
            config.Name = "Fake #" + std::to_string(i + 1);
        const int id = Add(std::move(config));
        if (id < 0)
            return -1;
        if (first < 0)
            first = id;
    }
    return first;
}

bool FakeServerFarm::OpenSocket(Server& server) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    std::string failure;
    if (fd < 0) {
        failure = "socket: ";
    } else {
        const int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(server.Config.Port);
        inet_pton(AF_INET, server.Config.Ip.c_str(), &address.sin_addr);
        socklen_t length = sizeof address;
        if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            failure = "bind " + server.Config.Ip + ':' + std::to_string(server.Config.Port) + ": ";
        } else if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            std::lock_guard lock(Mutex);
            server.Config.Port = ntohs(address.sin_port);
        }
    }
    if (!failure.empty()) {
        failure += std::strerror(errno);
        if (fd >= 0)
            close(fd);
        std::lock_guard lock(Mutex);
        Error = failure;
        return false;
    }
    server.Fd = fd;
    return true;
}

bool FakeServerFarm::Start() {
    if (Running())
        return true;
    RaiseFileLimit(size_t(ServerCount()) + 64);
    Epoll = epoll_create1(EPOLL_CLOEXEC);
    WakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    epoll_event wake{};
    wake.events = EPOLLIN;
    wake.data.u64 = WakeMarker;
    bool ok = Epoll >= 0 && WakeFd >= 0 && epoll_ctl(Epoll, EPOLL_CTL_ADD, WakeFd, &wake) == 0;
    const int count = ServerCount();
    for (int id = 0; ok && id < count; ++id) {
        Server& server = *Servers[size_t(id)];
        ok = OpenSocket(server);
        if (ok) {
            epoll_event event{};
            event.events = EPOLLIN;
            event.data.u64 = (uint64_t(uint32_t(id)) << 32) | uint32_t(server.Fd);
            ok = epoll_ctl(Epoll, EPOLL_CTL_ADD, server.Fd, &event) == 0;
        }
    }
    if (!ok) {
        Stop();
        return false;
    }
    StopRequested = false;
    Thread = std::thread([this] { Run(); });
    return true;
}

void FakeServerFarm::Stop() {
    if (Thread.joinable()) {
        {
            std::lock_guard lock(Mutex);
            StopRequested = true;
        }
        Wake();
        Thread.join();
    }
    for (auto& server : Servers) {
        if (server->Fd >= 0)
            close(server->Fd);
        server->Fd = -1;
    }
    if (WakeFd >= 0)
        close(WakeFd);
    if (Epoll >= 0)
        close(Epoll);
    WakeFd = Epoll = -1;
    Queue.clear();
}

void FakeServerFarm::Wake() {
    const uint64_t one = 1;
    if (WakeFd >= 0 && write(WakeFd, &one, sizeof one) < 0) {
        // The counter is only a doorbell; a full counter still wakes the thread.
    }
}

void FakeServerFarm::Run() {
    std::vector<epoll_event> events(512);
    std::vector<char> buffer(MaxDatagram);
    std::vector<Datagram> batch;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))];
    for (;;) {
        const int n = epoll_wait(Epoll, events.data(), int(events.size()), NextTimeoutMs());
        if (n < 0 && errno != EINTR)
            break;
        batch.clear();
        for (int e = 0; e < n; ++e) {
            const uint64_t data = events[size_t(e)].data.u64;
            if (data == WakeMarker) {
                uint64_t value = 0;
                if (read(WakeFd, &value, sizeof value) < 0) {
                    // Nothing to drain: another wake already did.
                }
                continue;
            }
            const int id = int(data >> 32);
            const int fd = int(data & 0xFFFFFFFF);
            for (int r = 0; r < MaxReadsPerWake; ++r) {
                Datagram d;
                iovec io{buffer.data(), buffer.size()};
                msghdr message{};
                message.msg_name = &d.From;
                message.msg_namelen = sizeof d.From;
                message.msg_iov = &io;
                message.msg_iovlen = 1;
                message.msg_control = control;
                message.msg_controllen = sizeof control;
                const ssize_t got = recvmsg(fd, &message, MSG_DONTWAIT);
                if (got < 0)
                    break;
                d.Server = id;
                d.Fd = fd;
                d.Data.assign(buffer.data(), size_t(got));
                for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
                    if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
                        timespec ts{};
                        std::memcpy(&ts, CMSG_DATA(c), sizeof ts);
                        d.Ns = int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
                    }
                }
                batch.push_back(std::move(d));
            }
        }
        {
            std::lock_guard lock(Mutex);
            if (StopRequested)
                return;
        }
        if (!batch.empty())
            Handle(batch);
        SendDue();
    }
}

void FakeServerFarm::Handle(std::vector<Datagram>& batch) {
    // Sockets are drained one after another; the kernel's receive times restore the
    // order in which the datagrams really arrived across servers.
    std::stable_sort(batch.begin(), batch.end(),
                     [](const Datagram& a, const Datagram& b) { return a.Ns < b.Ns; });
    struct Answer {
        int Fd;
        sockaddr_in To;
        std::string Data;
        int Copies;
        int DelayMs;
    };
    std::vector<Answer> answers;
    {
        std::lock_guard lock(Mutex);
        for (Datagram& d : batch) {
            const FakeServerConfig& config = Servers[size_t(d.Server)]->Config;
            Request request;
            request.Server = d.Server;
            request.Kind = ClassifyRequest(d.Data, config.TrailingNewlineRequired);
            request.Seq = ++GlobalSeq;
            char ip[INET_ADDRSTRLEN] = {};
            inet_ntop(AF_INET, &d.From.sin_addr, ip, sizeof ip);
            request.FromIp = ip;
            request.FromPort = ntohs(d.From.sin_port);
            request.ReceivedNs = d.Ns;
            const char kind = request.Kind;
            request.Data = std::move(d.Data);
            Records.push_back(std::move(request));
            const std::string& received = Records.back().Data;
            if (config.Silent || config.Copies <= 0 || kind == '?')
                continue;
            const bool text = kind == 'i' || kind == 'p' || kind == 'r';
            if (config.Dialect == (text ? FakeDialect::Binary : FakeDialect::Text))
                continue;
            std::vector<std::string> data;
            if (kind == 'i')
                data.push_back(config.RawInfo ? *config.RawInfo : BuildInfoAnswer(config));
            else if (kind == 'p')
                data.push_back(config.RawPlayers ? *config.RawPlayers : BuildPlayersAnswer(config));
            else if (kind == 'r')
                data.push_back(config.RawRules ? *config.RawRules : BuildRulesAnswer(config));
            else {
                Server& server = *Servers[size_t(d.Server)];
                data = BuildA2sAnswers(config, kind, received, server.Challenge, ++server.Serial);
            }
            for (std::string& datagram : data)
                answers.push_back(
                    {d.Fd, d.From, std::move(datagram), config.Copies, config.DelayMs});
        }
    }
    RecordsChanged.notify_all();
    const Clock::time_point now = Clock::now();
    for (Answer& a : answers) {
        for (int c = 0; c < a.Copies; ++c) {
            if (a.DelayMs <= 0) {
                sendto(a.Fd, a.Data.data(), a.Data.size(), MSG_DONTWAIT,
                       reinterpret_cast<const sockaddr*>(&a.To), sizeof a.To);
                ++Answers;
                continue;
            }
            Queue.push_back(
                {now + std::chrono::milliseconds(a.DelayMs), ++PendingOrder, a.Fd, a.To, a.Data});
            std::push_heap(Queue.begin(), Queue.end(), [](const Pending& x, const Pending& y) {
                return LaterThan(x.Due, x.Order, y.Due, y.Order);
            });
        }
    }
}

void FakeServerFarm::SendDue() {
    const auto later = [](const Pending& x, const Pending& y) {
        return LaterThan(x.Due, x.Order, y.Due, y.Order);
    };
    const Clock::time_point now = Clock::now();
    while (!Queue.empty() && Queue.front().Due <= now) {
        std::pop_heap(Queue.begin(), Queue.end(), later);
        const Pending& p = Queue.back();
        sendto(p.Fd, p.Data.data(), p.Data.size(), MSG_DONTWAIT,
               reinterpret_cast<const sockaddr*>(&p.To), sizeof p.To);
        ++Answers;
        Queue.pop_back();
    }
}

int FakeServerFarm::NextTimeoutMs() const {
    if (Queue.empty())
        return -1;
    const auto wait =
        std::chrono::ceil<std::chrono::milliseconds>(Queue.front().Due - Clock::now());
    return int(std::max<int64_t>(0, wait.count()));
}

void FakeServerFarm::SetConfig(int id, FakeServerConfig config) {
    std::lock_guard lock(Mutex);
    if (id < 0 || size_t(id) >= Servers.size())
        return;
    FakeServerConfig& current = Servers[size_t(id)]->Config;
    config.Ip = current.Ip;
    config.Port = current.Port;
    if (!ReportedAddressSafe(config.ReportedAddress)) {
        Error = "refused reported address " + config.ReportedAddress;
        return;
    }
    current = std::move(config);
}

FakeServerConfig FakeServerFarm::Config(int id) const {
    std::lock_guard lock(Mutex);
    if (id < 0 || size_t(id) >= Servers.size())
        return {};
    return Servers[size_t(id)]->Config;
}

int FakeServerFarm::ServerCount() const {
    std::lock_guard lock(Mutex);
    return int(Servers.size());
}

uint16_t FakeServerFarm::Port(int id) const {
    std::lock_guard lock(Mutex);
    if (id < 0 || size_t(id) >= Servers.size())
        return 0;
    return Servers[size_t(id)]->Config.Port;
}

std::string FakeServerFarm::Address(int id) const {
    std::lock_guard lock(Mutex);
    if (id < 0 || size_t(id) >= Servers.size())
        return {};
    const FakeServerConfig& config = Servers[size_t(id)]->Config;
    return config.Ip + ':' + std::to_string(config.Port);
}

std::vector<FakeServerFarm::Request> FakeServerFarm::Requests() const {
    std::lock_guard lock(Mutex);
    return Records;
}

size_t FakeServerFarm::RequestCount() const {
    std::lock_guard lock(Mutex);
    return Records.size();
}

bool FakeServerFarm::WaitForRequests(size_t n, int timeoutMs) const {
    std::unique_lock lock(Mutex);
    return RecordsChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [&] { return Records.size() >= n; });
}

void FakeServerFarm::ClearRequests() {
    std::lock_guard lock(Mutex);
    Records.clear();
}

bool FakeServerFarm::SendUnsolicited(int id, const std::string& toIp, uint16_t toPort,
                                     const std::string& data, int count) {
    if (!Running() || id < 0 || id >= ServerCount() || !IsLoopbackAddress(toIp))
        return false;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(toPort);
    inet_pton(AF_INET, toIp.c_str(), &to.sin_addr);
    const int fd = Servers[size_t(id)]->Fd;
    for (int i = 0; i < count; ++i) {
        sendto(fd, data.data(), data.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        ++Answers;
    }
    return true;
}

size_t FakeServerFarm::AnswersSent() const {
    return Answers.load();
}

std::string FakeServerFarm::LastError() const {
    std::lock_guard lock(Mutex);
    return Error;
}
