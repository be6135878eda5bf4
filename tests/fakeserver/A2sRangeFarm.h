#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

// Many simulated servers from a few sockets, in either query dialect: every address of a
// loopback range (counted as a scan walks it, last octets 0 and 255 skipped) on each
// port given. The sockets share 0.0.0.0:port, learn each request's destination and
// answer from that very address, on one thread at the lowest priority, as servers on
// machines of their own would. In the text dialect they answer "infostring"; in the
// binary one only the binary info request, with the challenge round trip: the bare
// request gets the challenge of that address and port, the request carrying it gets 'I'.
// Needs the ports free on every address while it runs.
class A2sRangeFarm {
public:
    enum class Dialect { Text, BinaryWithChallenge };

    A2sRangeFarm(std::string firstIp, int count, std::vector<uint16_t> ports, Dialect dialect);
    ~A2sRangeFarm(); // stops
    A2sRangeFarm(const A2sRangeFarm&) = delete;
    A2sRangeFarm& operator=(const A2sRangeFarm&) = delete;

    // Binds and starts answering; false (see LastError) when a port is taken or the range
    // is not loopback.
    bool Start();
    void Stop();
    const std::string& LastError() const { return Error; }

    uint64_t InfoAnswersSent() const { return Answers.load(); }
    uint64_t ChallengesSent() const { return Challenges.load(); }

private:
    void Run();
    void Serve(int handle, uint16_t port);

    std::string FirstIp;
    int Count;
    std::vector<uint16_t> Ports;
    Dialect Kind;
    std::string Error;
    std::vector<std::pair<int, uint16_t>> Handles; // socket, its port
    std::atomic<uint64_t> Answers{0};
    std::atomic<uint64_t> Challenges{0};
    std::atomic<bool> StopRequested{false};
    std::thread Thread;
};
