#pragma once

#include <cstdint>
#include <span>
#include <string>

// A plain IPv4 UDP socket (BSD sockets). Not thread-affine: sendto may be called from
// any thread.
class UdpSocket {
public:
    UdpSocket();
    ~UdpSocket();
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;
};
