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

const std::string Prefix("\xFF\xFF\xFF\xFF", 4);

// Strict dotted quad: four decimal parts 0..255, nothing else.
bool ParseIpv4(std::string_view text, uint32_t& out) {
    uint32_t value = 0;
    int parts = 0;
    size_t i = 0;
    while (parts < 4) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9')
            return false;
        unsigned part = 0;
        size_t digits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 4) {
            part = part * 10 + unsigned(text[i] - '0');
            ++i;
            ++digits;
        }
        if (digits > 3 || part > 255)
            return false;
        value = (value << 8) | part;
        ++parts;
        if (parts < 4) {
            if (i >= text.size() || text[i] != '.')
                return false;
            ++i;
        }
    }
    if (i != text.size())
        return false;
    out = value;
    return true;
}

std::string FormatIpv4(uint32_t value) {
    return std::to_string(value >> 24) + '.' + std::to_string((value >> 16) & 255) + '.' +
           std::to_string((value >> 8) & 255) + '.' + std::to_string(value & 255);
}

// A reported address that parses as IPv4 must stay in loopback, or a client that
// believes it would send there; malformed text is allowed for malformed-answer cases.
bool ReportedAddressSafe(const std::string& reported) {
    const std::string_view ip = std::string_view(reported).substr(0, reported.find(':'));
    uint32_t value = 0;
    return !ParseIpv4(ip, value) || (value >> 24) == 127;
}

void PutInt32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(char((value >> (8 * i)) & 0xFF));
}

void PutFloat(std::string& out, float value) {
    uint32_t bits = 0;
    static_assert(sizeof bits == sizeof value);
    std::memcpy(&bits, &value, sizeof bits);
    PutInt32(out, bits);
}

// Reads the request as the engine does: after the four 0xFF bytes, one line ended by a
// line feed, a zero byte or the datagram's end; its first word is the command.
char Classify(std::string_view data, bool newlineRequired) {
    if (data.size() < 4 || data.substr(0, 4) != Prefix)
        return '?';
    std::string_view line = data.substr(4);
    line = line.substr(0, line.find('\0'));
    const size_t newline = line.find('\n');
    const bool hasNewline = newline != std::string_view::npos;
    line = line.substr(0, newline);
    const size_t start = line.find_first_not_of(" \t\r");
    if (start == std::string_view::npos)
        return '?';
    line = line.substr(start);
    const std::string_view command = line.substr(0, line.find_first_of(" \t\r"));
    if (command == "infostring")
        return newlineRequired && !hasNewline ? '?' : 'i';
    if (command == "players")
        return 'p';
    if (command == "rules")
        return 'r';
    return '?';
}

void RaiseFileLimit(size_t needed) {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= needed)
        return;
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
}

} // namespace

std::vector<std::pair<std::string, std::string>> DefaultFakeRules() {
    return {{"_tutor_bomb_viewable_check_interval", "0.5"},
            {"_tutor_debug_level", "0"},
            {"_tutor_view_distance", "1000"},
            {"allow_spectators", "1.0"},
            {"coop", "0"},
            {"deathmatch", "1"},
            {"decalfrequency", "30"},
            {"edgefriction", "2"},
            {"max_queries_sec", "3.0"},
            {"metamod_version", "1.21"},
            {"mp_allowspectators", "1.0"},
            {"mp_autokick", "0"},
            {"mp_autoteambalance", "1"},
            {"mp_buytime", "1.5"},
            {"mp_c4timer", "35"},
            {"mp_chattime", "10"},
            {"mp_consistency", "1"},
            {"mp_fadetoblack", "0"},
            {"mp_falldamage", "0"},
            {"mp_flashlight", "1"},
            {"mp_footsteps", "1"},
            {"mp_forcecamera", "0"},
            {"mp_forcechasecam", "0"},
            {"mp_fragsleft", "0"},
            {"mp_freezetime", "3"},
            {"mp_friendlyfire", "0"},
            {"mp_ghostfrequency", "0.1"},
            {"mp_hostagepenalty", "13"},
            {"mp_kickpercent", "0.66"},
            {"mp_limitteams", "2"},
            {"mp_logdetail", "0"},
            {"mp_logmessages", "1"},
            {"mp_mapvoteratio", "0.66"},
            {"mp_maxrounds", "0"},
            {"mp_mirrordamage", "0"},
            {"mp_playerid", "0"},
            {"mp_roundtime", "3"},
            {"mp_startmoney", "800"},
            {"mp_timeleft", "0"},
            {"mp_timelimit", "30"},
            {"mp_tkpunish", "0"},
            {"mp_winlimit", "0"},
            {"pausable", "0"},
            {"sv_accelerate", "5"},
            {"sv_aim", "0"},
            {"sv_airaccelerate", "10"},
            {"sv_allowupload", "1"},
            {"sv_alltalk", "0"},
            {"sv_bounce", "1"},
            {"sv_cheats", "0"},
            {"sv_clienttrace", "1"},
            {"sv_contact", ""},
            {"sv_friction", "4"},
            {"sv_gravity", "800"},
            {"sv_logblocks", "0"},
            {"sv_maxrate", "20000"},
            {"sv_maxspeed", "320"},
            {"sv_minrate", "0"},
            {"sv_password", "0"},
            {"sv_proxies", "1"},
            {"sv_restart", "0"},
            {"sv_restartround", "0"},
            {"sv_stepsize", "18"},
            {"sv_stopspeed", "75"},
            {"sv_uploadmax", "0.5"},
            {"sv_voiceenable", "1"},
            {"sv_wateraccelerate", "10"},
            {"sv_waterfriction", "1"}};
}

std::string ReportedAddressOf(const FakeServerConfig& config) {
    if (!config.ReportedAddress.empty())
        return config.ReportedAddress;
    return config.Ip + ':' + std::to_string(config.Port);
}

std::string BuildInfoAnswer(const FakeServerConfig& config) {
    std::string out = Prefix;
    out += "infostringresponse";
    out.push_back('\0');
    auto pair = [&out](std::string_view key, std::string_view value) {
        out += '\\';
        out += key;
        out += '\\';
        out += value;
    };
    pair("protocol", std::to_string(config.Protocol));
    pair("address", ReportedAddressOf(config));
    pair("players", std::to_string(config.Players));
    pair("proxytarget", "0");
    pair("lan", "0");
    pair("max", std::to_string(config.MaxPlayers));
    pair("gamedir", config.GameDir);
    pair("description", config.Description);
    pair("hostname", config.Name);
    pair("map", config.Map);
    pair("type", "d");
    pair("password", config.Password ? "1" : "0");
    pair("os", "l");
    pair("secure", "0");
    out.push_back('\0');
    return out;
}

std::string BuildPlayersAnswer(const FakeServerConfig& config) {
    std::vector<FakePlayer> made;
    const std::vector<FakePlayer>* players = &config.PlayerList;
    if (players->empty()) {
        for (int i = 0; i < std::clamp(config.Players, 0, 255); ++i)
            made.push_back({"Player " + std::to_string(i + 1), i, 60.0f * float(i + 1)});
        players = &made;
    }
    // The count is one byte on the wire; a longer list is cut rather than miscounted.
    const size_t count = std::min<size_t>(players->size(), 255);
    std::string out = Prefix;
    out.push_back('D');
    out.push_back(char(count));
    for (size_t i = 0; i < count; ++i) {
        const FakePlayer& p = (*players)[i];
        out.push_back(char(i + 1));
        out += p.Name;
        out.push_back('\0');
        PutInt32(out, uint32_t(p.Frags));
        PutFloat(out, p.Time);
    }
    return out;
}

std::string BuildRulesAnswer(const FakeServerConfig& config) {
    const size_t count = std::min<size_t>(config.Rules.size(), 0xFFFF);
    std::string out = Prefix;
    out.push_back('E');
    out.push_back(char(count & 0xFF));
    out.push_back(char(count >> 8));
    for (size_t i = 0; i < count; ++i) {
        out += config.Rules[i].first;
        out.push_back('\0');
        out += config.Rules[i].second;
        out.push_back('\0');
    }
    return out;
}

bool IsLoopbackAddress(std::string_view ip) {
    uint32_t value = 0;
    return ParseIpv4(ip, value) && (value >> 24) == 127;
}

std::string FarmAddress(std::string_view firstIp, int index) {
    uint32_t first = 0;
    if (index < 0 || !ParseIpv4(firstIp, first) || (first >> 24) != 127)
        return {};
    uint32_t block = first >> 8;
    uint32_t last = first & 255;
    if (last == 0)
        last = 1;
    if (last == 255) {
        ++block;
        last = 1;
    }
    const uint64_t position = uint64_t(last - 1) + uint64_t(index);
    const uint64_t resultBlock = uint64_t(block) + position / 254;
    if ((resultBlock >> 16) != 127)
        return {};
    return FormatIpv4(uint32_t(resultBlock << 8) | uint32_t(position % 254 + 1));
}

struct FakeServerFarm::Server {
    FakeServerConfig Config;
    int Fd = -1;
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
            request.Kind = Classify(d.Data, config.TrailingNewlineRequired);
            request.Seq = ++GlobalSeq;
            char ip[INET_ADDRSTRLEN] = {};
            inet_ntop(AF_INET, &d.From.sin_addr, ip, sizeof ip);
            request.FromIp = ip;
            request.FromPort = ntohs(d.From.sin_port);
            request.ReceivedNs = d.Ns;
            const char kind = request.Kind;
            request.Data = std::move(d.Data);
            Records.push_back(std::move(request));
            if (config.Silent || config.Copies <= 0 || kind == '?')
                continue;
            std::string data;
            if (kind == 'i')
                data = config.RawInfo ? *config.RawInfo : BuildInfoAnswer(config);
            else if (kind == 'p')
                data = config.RawPlayers ? *config.RawPlayers : BuildPlayersAnswer(config);
            else
                data = config.RawRules ? *config.RawRules : BuildRulesAnswer(config);
            answers.push_back({d.Fd, d.From, std::move(data), config.Copies, config.DelayMs});
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

size_t FakeServerFarm::AnswersSent() const {
    return Answers.load();
}

std::string FakeServerFarm::LastError() const {
    std::lock_guard lock(Mutex);
    return Error;
}
