#pragma once

#include <optional>
#include <string>

// The far end of a test exchange: a blocking BSD UDP socket bound to ip:0, written
// independently of the endpoint under test.
class UdpPeer {
public:
    struct Datagram {
        std::string Bytes;
        int FromPort = 0;
    };

    explicit UdpPeer(const std::string& ip);
    ~UdpPeer();
    UdpPeer(const UdpPeer&) = delete;
    UdpPeer& operator=(const UdpPeer&) = delete;

    const std::string& Ip() const { return Address; }
    int Port() const { return BoundPort; }
    // Sends one datagram to 127.0.0.1:port.
    void SendTo(int port, const std::string& bytes) const;
    // The next datagram, waiting at most timeoutMs; nothing on timeout.
    std::optional<Datagram> Receive(int timeoutMs = 2000) const;

private:
    std::string Address;
    int Handle = -1;
    int BoundPort = 0;
};
