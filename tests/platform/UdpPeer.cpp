#include "UdpPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

UdpPeer::UdpPeer(const std::string& ip) : Address(ip) {
    Handle = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    if (Handle < 0 || inet_pton(AF_INET, ip.c_str(), &local.sin_addr) != 1 ||
        (ntohl(local.sin_addr.s_addr) >> 24) != 127) {
        throw std::runtime_error("peer needs a loopback address");
    }
    // Room for the bursts of the concurrency test.
    int size = 1 << 20;
    ::setsockopt(Handle, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    if (::bind(Handle, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        throw std::runtime_error("peer cannot bind " + ip);
    }
    socklen_t length = sizeof local;
    ::getsockname(Handle, reinterpret_cast<sockaddr*>(&local), &length);
    BoundPort = ntohs(local.sin_port);
}

UdpPeer::~UdpPeer() {
    if (Handle >= 0) {
        ::close(Handle);
    }
}

void UdpPeer::SendTo(int port, const std::string& bytes) const {
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    remote.sin_port = htons(static_cast<uint16_t>(port));
    ::sendto(Handle, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&remote),
             sizeof remote);
}

std::optional<UdpPeer::Datagram> UdpPeer::Receive(int timeoutMs) const {
    pollfd ready{Handle, POLLIN, 0};
    if (::poll(&ready, 1, timeoutMs) != 1) {
        return std::nullopt;
    }
    std::string buffer(65536, '\0');
    sockaddr_in from{};
    socklen_t length = sizeof from;
    const ssize_t received = ::recvfrom(Handle, buffer.data(), buffer.size(), 0,
                                        reinterpret_cast<sockaddr*>(&from), &length);
    if (received < 0) {
        return std::nullopt;
    }
    buffer.resize(static_cast<size_t>(received));
    return Datagram{std::move(buffer), ntohs(from.sin_port)};
}
