#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

// Many simulated servers from a group of sockets: every address of a loopback range
// (counted as a scan walks it, last octets 0 and 255 skipped) on one port. The sockets
// share 0.0.0.0:port (a filter spreads the requests over them by address), learn each
// request's destination and answer info requests from that very address, one answer per
// request. Together their receive buffers hold a whole scan's requests, and several
// threads at the ordinary priority serve them: as servers on machines of their own would,
// the farm answers at once however busy the processor is (at the lowest priority it waits
// for seconds behind busy processes and then answers thousands at once, which no network
// does), and a request that comes while the farm cannot run waits, never dropped.
// The servers speak one query dialect: the text one ("infostring" answers), or the binary
// one with the challenge round trip (the bare info request gets the challenge of that
// address and port, the request carrying it gets 'I').
enum class FarmDialect { Text, BinaryWithChallenge };

class RangeFarm {
public:
    // Servers "Fake #1" .. "Fake #count" from firstIp (which must lie in 127.0.0.0/8), on
    // port (0: a free port of the system's choosing, so no other program's sockets meet
    // the farm's; see Port).
    RangeFarm(std::string firstIp, int count, uint16_t port = 0,
              FarmDialect dialect = FarmDialect::Text);
    ~RangeFarm(); // stops
    RangeFarm(const RangeFarm&) = delete;
    RangeFarm& operator=(const RangeFarm&) = delete;

    // Binds and starts answering; false (see LastError) when the port is taken or the
    // range is not loopback.
    bool Start();
    void Stop();
    const std::string& LastError() const { return Error; }

    // The port the servers answer on (valid after Start).
    uint16_t Port() const { return BoundPort; }
    // The player count every server reports from now on.
    void SetPlayers(int players) { Players = players; }
    // Info answers sent so far.
    uint64_t AnswersSent() const { return Answers.load(); }
    // Challenges sent so far (binary dialect).
    uint64_t ChallengesSent() const { return Challenges.load(); }
    // The receive buffer the system granted each socket, in bytes.
    int GrantedBuffer() const { return Granted; }
    // Requests the system dropped at each socket for want of buffer, counted by the
    // system since Start (one entry per socket).
    std::vector<uint64_t> DropsPerSocket() const;
    // True while requests wait in a socket, not yet answered (the serving threads are
    // behind).
    bool HoldsRequests() const;

private:
    void Run(size_t first);
    // Answers what waits on one socket.
    void Serve(int handle);
    bool OpenSocket(int wantedBuffer);

    std::string FirstIp;
    int Count;
    uint16_t RequestedPort;
    FarmDialect Dialect;
    uint16_t BoundPort = 0;
    int Granted = 0;
    std::string Error;
    std::vector<int> Handles;
    std::atomic<int> Players{0};
    std::atomic<uint64_t> Answers{0};
    std::atomic<uint64_t> Challenges{0};
    std::atomic<bool> StopRequested{false};
    std::vector<std::thread> Threads;
};
