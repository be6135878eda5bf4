#include "UdpSocket.h"

#include "WinText.h"

// Winsock 2 before <windows.h>, and the Microsoft extensions after both.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <mswsock.h>

#include <algorithm>

// The Windows side of the socket layer: Winsock 2, every call of it in this file.

namespace {

SOCKET Native(std::intptr_t handle) {
    return static_cast<SOCKET>(handle);
}

} // namespace

int UdpSocket::Open(ReceiveBufferRequest buffer) {
    Close();
    if (!StartWinsock())
        return WSANOTINITIALISED;
    // Not inherited: a started game must never hold one of the fixed ports.
    SOCKET handle =
        WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    // Windows 7 before SP1 knows no such flag; the handle is then kept from children below.
    if (handle == INVALID_SOCKET && WSAGetLastError() == WSAEINVAL)
        handle = WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, 0);
    if (handle == INVALID_SOCKET) {
        const int error = WSAGetLastError();
        return error != 0 ? error : -1;
    }
    Handle = static_cast<std::intptr_t>(handle);
    Drops.store(0, std::memory_order_relaxed);
    SetHandleInformation(reinterpret_cast<HANDLE>(handle), HANDLE_FLAG_INHERIT, 0);
    u_long nonBlocking = 1;
    ioctlsocket(handle, FIONBIO, &nonBlocking);
    // An ICMP "port unreachable" for one probed address would otherwise fail the next
    // receive of answers from everyone else.
    BOOL report = FALSE;
    DWORD returned = 0;
    WSAIoctl(handle, SIO_UDP_CONNRESET, &report, sizeof report, nullptr, 0, &returned, nullptr,
             nullptr);
    // Windows has no system limit to pass: the size asked for is the size granted.
    const int size = buffer.Bytes;
    if (size > 0)
        setsockopt(handle, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&size),
                   sizeof size);
    return 0;
}

bool UdpSocket::EnableBroadcast() {
    const BOOL on = TRUE;
    return Handle >= 0 && setsockopt(Native(Handle), SOL_SOCKET, SO_BROADCAST,
                                     reinterpret_cast<const char*>(&on), sizeof on) == 0;
}

bool UdpSocket::Bind(int port) {
    if (Handle < 0 || port < 0 || port > 0xFFFF)
        return false;
    // The port is ours alone: no other program binds it again, with or without
    // SO_REUSEADDR, while this socket holds it.
    const BOOL exclusive = TRUE;
    setsockopt(Native(Handle), SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
               reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(static_cast<u_short>(port));
    if (bind(Native(Handle), reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0)
        return true;
    // Windows refuses to receive on a socket no send has bound yet, so the system's
    // choice of port is taken now rather than at the first send.
    local.sin_port = 0;
    bind(Native(Handle), reinterpret_cast<const sockaddr*>(&local), sizeof local);
    return false;
}

void UdpSocket::Close() {
    if (Handle >= 0) {
        closesocket(Native(Handle));
        Handle = -1;
    }
}

bool UdpSocket::SendTo(Ipv4Address address, int port, std::span<const uint8_t> bytes) const {
    if (Handle < 0 || bytes.size() > 0xFFFF)
        return false;
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_addr.s_addr = htonl(address.Value);
    remote.sin_port = htons(static_cast<u_short>(port));
    const int sent = sendto(Native(Handle), reinterpret_cast<const char*>(bytes.data()),
                            static_cast<int>(bytes.size()), 0,
                            reinterpret_cast<const sockaddr*>(&remote), sizeof remote);
    return sent == static_cast<int>(bytes.size());
}

int UdpSocket::ReceiveBatch(std::span<Slot> slots, std::span<ReceiveResult> results) const {
    const size_t count = std::min({slots.size(), results.size(), size_t{BatchSize}});
    if (Handle < 0 || count == 0)
        return 0;
    // Winsock has no batch receive: one recvfrom per datagram, until nothing waits.
    int filled = 0;
    while (static_cast<size_t>(filled) < count) {
        sockaddr_in from{};
        int fromLength = sizeof from;
        const int received = recvfrom(Native(Handle), reinterpret_cast<char*>(slots[filled].Bytes),
                                      static_cast<int>(sizeof slots[filled].Bytes), 0,
                                      reinterpret_cast<sockaddr*>(&from), &fromLength);
        ReceiveResult& result = results[filled];
        result = {};
        if (received == SOCKET_ERROR) {
            const int error = WSAGetLastError();
            // Nothing waiting, not bound yet, or an ICMP notice about an earlier send.
            if (error == WSAEWOULDBLOCK || error == WSAEINTR || error == WSAEINVAL ||
                error == WSAECONNRESET || error == WSAENETRESET)
                break;
            // A datagram longer than the slot is a failed receive, never delivered in part.
            if (error != WSAEMSGSIZE) {
                if (filled > 0)
                    break;
                result.Status = ReceiveStatus::Failed;
                return 1;
            }
            if (from.sin_family == AF_INET) {
                result.From = Ipv4Address{ntohl(from.sin_addr.s_addr)};
                result.FromPort = ntohs(from.sin_port);
            }
            result.Status = ReceiveStatus::Failed;
            ++filled;
            continue;
        }
        if (from.sin_family == AF_INET) {
            result.From = Ipv4Address{ntohl(from.sin_addr.s_addr)};
            result.FromPort = ntohs(from.sin_port);
        }
        if (received > MaxDatagram) {
            result.Status = ReceiveStatus::Failed;
        } else {
            result.Status = ReceiveStatus::Datagram;
            result.Length = received;
        }
        ++filled;
    }
    return filled;
}

bool UdpSocket::WaitReadable(std::intptr_t wakeHandle, int timeoutMs) const {
    if (Handle < 0)
        return false;
    fd_set readable;
    fd_set failed;
    FD_ZERO(&readable);
    FD_ZERO(&failed);
    FD_SET(Native(Handle), &readable);
    FD_SET(Native(Handle), &failed);
    if (wakeHandle >= 0)
        FD_SET(Native(wakeHandle), &readable);
    timeval limit{};
    if (timeoutMs >= 0) {
        limit.tv_sec = timeoutMs / 1000;
        limit.tv_usec = (timeoutMs % 1000) * 1000;
    }
    const int ready = select(0, &readable, nullptr, &failed, timeoutMs >= 0 ? &limit : nullptr);
    // A socket select refuses would otherwise make a waiting loop spin at full speed.
    if (ready == SOCKET_ERROR && timeoutMs != 0)
        Sleep(10);
    return ready > 0 && (FD_ISSET(Native(Handle), &readable) || FD_ISSET(Native(Handle), &failed));
}

int UdpSocket::BoundPort() const {
    if (Handle < 0)
        return 0;
    sockaddr_in local{};
    int length = sizeof local;
    if (getsockname(Native(Handle), reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return 0;
    return ntohs(local.sin_port);
}

uint64_t UdpSocket::Dropped() const {
    // Windows keeps no per-socket count of datagrams dropped for want of buffer.
    return Drops.load(std::memory_order_relaxed);
}

int UdpSocket::ReceiveBufferSize() const {
    if (Handle < 0)
        return 0;
    int size = 0;
    int length = sizeof size;
    if (getsockopt(Native(Handle), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&size),
                   &length) != 0)
        return 0;
    return size;
}
