#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

// One player of a simulated server's players answer. Name is GBK bytes.
struct FakePlayer {
    std::string Name;
    int32_t Frags = 0;
    float Time = 0.0f;
};

// A realistic set of Counter-Strike server variables; its rules answer is well over 512 bytes.
std::vector<std::pair<std::string, std::string>> DefaultFakeRules();

// Which query dialect a simulated server answers: the text requests, the binary ones, or
// both.
enum class FakeDialect { Text, Binary, Both };
// Which binary info reply it sends: 'I', the older 'm', or both to one request.
enum class FakeInfoForm { I, M, Both };

// Everything one simulated game server says. Texts are GBK bytes.
struct FakeServerConfig {
    std::string Ip = "127.0.0.1"; // must lie in 127.0.0.0/8
    uint16_t Port = 27015;        // 0 binds a port of the system's choosing
    std::string Name;             // AddMany names servers "Fake #N" when this is empty
    std::string Map = "de_dust2";
    std::string GameDir = "cstrike";
    std::string Description = "Counter-Strike";
    int Players = 0; // the info answer's "players"; also how many players are made up when
                     // PlayerList is empty
    int MaxPlayers = 16;
    int Protocol = 47; // 46 CS 1.5, 47 CS 1.6
    bool Password = false;
    std::string ReportedAddress; // the info answer's "address"; empty = "Ip:Port" (bound port)
    std::vector<FakePlayer> PlayerList; // empty = Players made-up players "Player N"
    std::vector<std::pair<std::string, std::string>> Rules = DefaultFakeRules();
    bool Silent = false; // records requests, never answers
    int Copies = 1;      // each answer is sent this many times; 0 sends none
    int DelayMs = 0;     // answers leave this much later, without holding up other servers
    // Raw datagrams sent instead of the built answers, for malformed cases.
    std::optional<std::string> RawInfo, RawPlayers, RawRules;
    // A stricter server: "infostring" without its line feed is not understood ('?').
    bool TrailingNewlineRequired = false;
    // The binary dialect: a binary request of a server that does not speak it is
    // recorded and never answered, and so is a text request of a binary-only server.
    FakeDialect Dialect = FakeDialect::Text;
    FakeInfoForm InfoForm = FakeInfoForm::I;
    bool Challenge = false;        // the binary info request needs the challenge round trip
    bool ChallengeForEver = false; // answers every binary request with a new challenge
    int RulesSplit = 0;            // 2..15: the binary rules reply in that many pieces, shuffled
    int Bots = 0;
    std::string Version = "1.1.2.7/Stdio";
};

// The three answers a server of the engine gives, byte for byte.
std::string BuildInfoAnswer(const FakeServerConfig& config);
std::string BuildPlayersAnswer(const FakeServerConfig& config);
std::string BuildRulesAnswer(const FakeServerConfig& config);

// The binary replies, byte for byte: 'I' (protocol 48 for a 1.6 server, as today's
// servers send; 46 stays 46), 'm' (its own address text and the configured protocol),
// and a challenge.
std::string BuildA2sInfoI(const FakeServerConfig& config);
std::string BuildA2sInfoM(const FakeServerConfig& config);
std::string BuildA2sChallenge(uint32_t challenge);
// A reply cut into `pieces` split datagrams of id `id` (FE FF FF FF, id, index << 4 |
// total, payload), in an order shuffled by `seed` (the same seed, the same order).
std::vector<std::string> SplitA2sReply(const std::string& reply, int pieces, int32_t id,
                                       uint32_t seed);
// What a server configured so sends for one binary request (classified 'T' info, 'U'
// players or 'V' rules): nothing for a malformed or padded request; a challenge where
// one is needed or a wrong one was given; otherwise the replies. `challenge` is the
// server's own; `serial` counts the server's replies (new challenges of a server that
// asks for ever, split ids and orders).
std::vector<std::string> BuildA2sAnswers(const FakeServerConfig& config, char kind,
                                         std::string_view request, uint32_t challenge,
                                         uint32_t serial);
// The kind of a request datagram: 'i' info, 'p' players, 'r' rules (text dialect), 'T'
// info, 'U' players, 'V' rules (binary dialect, exact lengths only), '?' anything else.
char ClassifyRequest(std::string_view data, bool newlineRequired);

// Info answers of broken or hostile servers: each one a client must take without a crash,
// a hang, a lost or changed row, or a row whose address and port are not usable.
enum class HostileInfo {
    Oversize,           // a well-formed answer of 2049 bytes, its name grown
    TruncatedHeader,    // ends inside "infostringresponse"
    NoTerminatingZero,  // the infostring runs to the datagram's end
    ManyPairs,          // 30 pairs, the address among the first 18
    AddressPastPairs,   // 30 pairs, the address only as the 25th
    EmptyAddress,       // "address" with an empty value
    ForgedAddress,      // "address" that names no address ("127.70.1:27015")
    AddressWithExtra,   // text after the port: "IP:PORT +exec evil.cfg"
    BinaryName,         // every byte but zero and backslash in the name and the map
    NonNumericCounts,   // "players" and "max" that are not numbers
    NonNumericProtocol, // "protocol" that is not a number
};
constexpr HostileInfo AllHostileInfo[] = {
    HostileInfo::Oversize,         HostileInfo::TruncatedHeader,   HostileInfo::NoTerminatingZero,
    HostileInfo::ManyPairs,        HostileInfo::AddressPastPairs,  HostileInfo::EmptyAddress,
    HostileInfo::ForgedAddress,    HostileInfo::AddressWithExtra,  HostileInfo::BinaryName,
    HostileInfo::NonNumericCounts, HostileInfo::NonNumericProtocol};
// The kind's name as the command line takes it ("oversize", "truncated-header", ...).
std::string_view HostileInfoName(HostileInfo kind);
// The answer of the kind for a server configured so; its "address", where it has a
// usable one, is ReportedAddressOf(config).
std::string BuildHostileInfoAnswer(HostileInfo kind, const FakeServerConfig& config);
// A well-formed rules answer of exactly `size` bytes (at least 16): variables of the
// engine, the last one's value filling up to the end.
std::string BuildRulesAnswerOfSize(size_t size);

// The value of the "address" key: ReportedAddress, or "Ip:Port".
std::string ReportedAddressOf(const FakeServerConfig& config);

// True for a dotted IPv4 address inside 127.0.0.0/8.
bool IsLoopbackAddress(std::string_view ip);

// The index-th address (from 0) counting up from firstIp and skipping last octets 0 and
// 255, as a scan walks a range; empty when it would leave 127.0.0.0/8 or firstIp is bad.
std::string FarmAddress(std::string_view firstIp, int index);

// Serves any number of simulated servers, one UDP socket each bound to its exact
// 127.x.y.z:port, on one thread of its own between Start and Stop. Add, AddMany, Start
// and Stop belong to the one thread that controls the farm; the rest may be called from
// any thread at any time.
class FakeServerFarm {
public:
    // One request datagram as it reached a server.
    struct Request {
        int Server = -1;    // id returned by Add
        char Kind = '?';    // as ClassifyRequest: 'i' 'p' 'r' text, 'T' 'U' 'V' binary
        uint64_t Seq = 0;   // process-wide arrival order, from 1
        std::string FromIp; // sender
        uint16_t FromPort = 0;
        std::string Data;       // the datagram's bytes
        int64_t ReceivedNs = 0; // kernel receive time, CLOCK_REALTIME nanoseconds
    };

    FakeServerFarm();
    ~FakeServerFarm(); // stops
    FakeServerFarm(const FakeServerFarm&) = delete;
    FakeServerFarm& operator=(const FakeServerFarm&) = delete;

    // Adds a server and returns its id (0, 1, ... in order); -1 when Ip is not in
    // 127.0.0.0/8, ReportedAddress names an address outside it, or (while running) the
    // socket cannot be bound. Usable before and after Start.
    int Add(FakeServerConfig config);
    // Adds count servers on consecutive addresses from firstIp (skipping last octets 0
    // and 255), all on port, each a copy of base named "Fake #N" (N from 1) when base.Name
    // is empty. Returns the first id; the others follow it. -1 when any fails.
    int AddMany(int count, std::string_view firstIp, uint16_t port, FakeServerConfig base);

    // Binds every server's socket and starts serving; false (see LastError) when one
    // cannot be bound, nothing then runs.
    bool Start();
    // Stops serving and closes the sockets; pending delayed answers are dropped.
    void Stop();
    bool Running() const { return Thread.joinable(); }

    // Replaces what a server answers from now on; Ip and Port stay as bound.
    void SetConfig(int id, FakeServerConfig config);
    FakeServerConfig Config(int id) const;
    int ServerCount() const;
    uint16_t Port(int id) const;       // bound port (meaningful for port 0 after Start)
    std::string Address(int id) const; // "Ip:Port" as bound

    // Requests received so far, in arrival order.
    std::vector<Request> Requests() const;
    size_t RequestCount() const;
    // Waits until at least n requests have been recorded; false on timeout.
    bool WaitForRequests(size_t n, int timeoutMs) const;
    void ClearRequests();

    // Sends `data` count times from server id's socket to toIp:toPort, as answers to
    // requests that were never sent; false (nothing sent) when the farm is not running,
    // the id is unknown or toIp is not in 127.0.0.0/8. Controlling thread only.
    bool SendUnsolicited(int id, const std::string& toIp, uint16_t toPort, const std::string& data,
                         int count);

    // How many answer datagrams have been sent (copies included).
    size_t AnswersSent() const;
    std::string LastError() const;

private:
    struct Server;
    struct Pending;
    struct Datagram;

    bool OpenSocket(Server& server);
    void Run();
    void Handle(std::vector<Datagram>& batch);
    void SendDue();
    int NextTimeoutMs() const;
    void Wake();

    mutable std::mutex Mutex; // guards the server list and configs, Records, Error
    mutable std::condition_variable RecordsChanged;
    std::vector<std::unique_ptr<Server>> Servers;
    std::vector<Request> Records;
    std::vector<Pending> Queue; // delayed answers, a min-heap on due time; worker only
    std::string Error;
    std::atomic<size_t> Answers{0};
    uint64_t PendingOrder = 0; // worker only
    int Epoll = -1;
    int WakeFd = -1;
    bool StopRequested = false;
    std::thread Thread;
};
