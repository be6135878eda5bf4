#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

// Many simulated servers from a few sockets: every address of a loopback range (counted
// as a scan walks it, last octets 0 and 255 skipped) on one port. The sockets share
// 0.0.0.0:port (the system spreads requests over them, so together they hold a whole
// scan's requests), learn each request's destination and answer info requests from that
// very address, one answer per request, on one thread at the lowest priority: as servers
// on machines of their own would, it never takes processor time from the client. Needs
// the port free on every address while it runs.
class RangeFarm {
public:
    // Servers "Fake #1" .. "Fake #count" from firstIp (which must lie in 127.0.0.0/8).
    RangeFarm(std::string firstIp, int count, uint16_t port);
    ~RangeFarm(); // stops
    RangeFarm(const RangeFarm&) = delete;
    RangeFarm& operator=(const RangeFarm&) = delete;

    // Binds and starts answering; false (see LastError) when the port is taken or the
    // range is not loopback.
    bool Start();
    void Stop();
    const std::string& LastError() const { return Error; }

    // The player count every server reports from now on.
    void SetPlayers(int players) { Players = players; }
    // Info answers sent so far.
    uint64_t AnswersSent() const { return Answers.load(); }

private:
    void Run();
    // Answers what waits on one socket.
    void Serve(int handle);

    std::string FirstIp;
    int Count;
    uint16_t Port;
    std::string Error;
    std::vector<int> Handles;
    std::atomic<int> Players{0};
    std::atomic<uint64_t> Answers{0};
    std::atomic<bool> StopRequested{false};
    std::thread Thread;
};
