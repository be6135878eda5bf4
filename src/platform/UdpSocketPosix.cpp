#include "UdpSocket.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

// The POSIX side of the socket layer: every operating-system call of it on Linux.

int UdpSocket::Open(ReceiveBufferRequest buffer) {
    Close();
    const int handle = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (handle < 0) {
        return errno != 0 ? errno : -1;
    }
    Handle = handle;
    Drops.store(0, std::memory_order_relaxed);
    // Each datagram read then carries the system's count of datagrams dropped so far at
    // this socket for want of buffer.
    const int on = 1;
    ::setsockopt(Handle, SOL_SOCKET, SO_RXQ_OVFL, &on, sizeof on);
    // The forced size passes the system limit but needs privilege; the plain one is
    // capped at the limit, which is still far above the default.
    int size = buffer.Bytes;
    if (size <= 0) {
        return 0;
    }
#ifdef SO_RCVBUFFORCE
    if (buffer.Force && ::setsockopt(Handle, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) == 0) {
        return 0;
    }
#endif
    ::setsockopt(Handle, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    return 0;
}

bool UdpSocket::EnableBroadcast() {
    const int on = 1;
    return Handle >= 0 && ::setsockopt(Handle, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0;
}

bool UdpSocket::Bind(int port) {
    if (Handle < 0 || port < 0 || port > 0xFFFF) {
        return false;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(static_cast<uint16_t>(port));
    return ::bind(Handle, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
}

void UdpSocket::Close() {
    if (Handle >= 0) {
        ::close(Handle);
        Handle = -1;
    }
}

bool UdpSocket::SendTo(Ipv4Address address, int port, std::span<const uint8_t> bytes) const {
    if (Handle < 0) {
        return false;
    }
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_addr.s_addr = htonl(address.Value);
    remote.sin_port = htons(static_cast<uint16_t>(port));
    const ssize_t sent = ::sendto(Handle, bytes.data(), bytes.size(), 0,
                                  reinterpret_cast<const sockaddr*>(&remote), sizeof remote);
    return sent == static_cast<ssize_t>(bytes.size());
}

namespace {

void FillFrom(UdpSocket::ReceiveResult& result, const sockaddr_in& from) {
    if (from.sin_family == AF_INET) {
        result.From = Ipv4Address{ntohl(from.sin_addr.s_addr)};
        result.FromPort = ntohs(from.sin_port);
    }
}

} // namespace

namespace {

// Takes the drop count a received datagram carries into `drops`.
void NoteDrops(msghdr& message, std::atomic<uint64_t>& drops) {
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SO_RXQ_OVFL &&
            c->cmsg_len >= CMSG_LEN(sizeof(uint32_t))) {
            uint32_t dropped = 0;
            std::memcpy(&dropped, CMSG_DATA(c), sizeof dropped);
            // The system's counter is 32 bits and only grows; keep the largest seen.
            uint64_t seen = drops.load(std::memory_order_relaxed);
            while (dropped > seen &&
                   !drops.compare_exchange_weak(seen, dropped, std::memory_order_relaxed)) {
            }
        }
    }
}

} // namespace

int UdpSocket::ReceiveBatch(std::span<Slot> slots, std::span<ReceiveResult> results) const {
    const size_t count = std::min({slots.size(), results.size(), size_t{BatchSize}});
    if (Handle < 0 || count == 0) {
        return 0;
    }
    mmsghdr messages[BatchSize]{};
    iovec vectors[BatchSize]{};
    sockaddr_in senders[BatchSize]{};
    alignas(cmsghdr) char controls[BatchSize][CMSG_SPACE(sizeof(uint32_t))];
    for (size_t i = 0; i < count; ++i) {
        vectors[i] = {slots[i].Bytes, sizeof slots[i].Bytes};
        messages[i].msg_hdr.msg_iov = &vectors[i];
        messages[i].msg_hdr.msg_iovlen = 1;
        messages[i].msg_hdr.msg_name = &senders[i];
        messages[i].msg_hdr.msg_namelen = sizeof senders[i];
        messages[i].msg_hdr.msg_control = controls[i];
        messages[i].msg_hdr.msg_controllen = sizeof controls[i];
    }
    const int received =
        ::recvmmsg(Handle, messages, static_cast<unsigned>(count), MSG_DONTWAIT, nullptr);
    if (received < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            return 0;
        }
        results[0] = {ReceiveStatus::Failed, -1, {}, 0};
        return 1;
    }
    for (int i = 0; i < received; ++i) {
        NoteDrops(messages[i].msg_hdr, Drops);
        ReceiveResult& result = results[i];
        result = {};
        FillFrom(result, senders[i]);
        // A cut datagram is a failed receive: it is never delivered in part.
        const unsigned length = messages[i].msg_len;
        if ((messages[i].msg_hdr.msg_flags & MSG_TRUNC) != 0 || length > MaxDatagram) {
            result.Status = ReceiveStatus::Failed;
            continue;
        }
        result.Status = ReceiveStatus::Datagram;
        result.Length = static_cast<int>(length);
    }
    return received;
}

bool UdpSocket::WaitReadable(std::intptr_t wakeHandle, int timeoutMs) const {
    pollfd handles[2] = {{static_cast<int>(Handle), POLLIN, 0},
                         {static_cast<int>(wakeHandle), POLLIN, 0}};
    const int ready = ::poll(handles, wakeHandle >= 0 ? 2 : 1, timeoutMs);
    return ready > 0 && (handles[0].revents & (POLLIN | POLLERR)) != 0;
}

int UdpSocket::BoundPort() const {
    if (Handle < 0) {
        return 0;
    }
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (::getsockname(Handle, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        return 0;
    }
    return ntohs(local.sin_port);
}

uint64_t UdpSocket::Dropped() const {
    uint64_t dropped = Drops.load(std::memory_order_relaxed);
#ifdef SO_MEMINFO
    uint32_t info[SK_MEMINFO_VARS] = {};
    socklen_t length = sizeof info;
    if (Handle >= 0 && ::getsockopt(Handle, SOL_SOCKET, SO_MEMINFO, info, &length) == 0 &&
        length > SK_MEMINFO_DROPS * sizeof(uint32_t))
        dropped = std::max<uint64_t>(dropped, info[SK_MEMINFO_DROPS]);
#endif
    return dropped;
}

int UdpSocket::ReceiveBufferSize() const {
    if (Handle < 0) {
        return 0;
    }
    int size = 0;
    socklen_t length = sizeof size;
    if (::getsockopt(Handle, SOL_SOCKET, SO_RCVBUF, &size, &length) != 0) {
        return 0;
    }
    return size;
}
