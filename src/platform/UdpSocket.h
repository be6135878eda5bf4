#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

// An IPv4 address in host byte order ("1.2.3.4" is 0x01020304).
struct Ipv4Address {
    uint32_t Value = 0;

    // Strict dotted-decimal text to an address; nothing for any other text.
    static std::optional<Ipv4Address> Parse(const std::string& text);
    // "a.b.c.d".
    std::string ToString() const;
    bool operator==(const Ipv4Address&) const = default;
};

// The receive buffer a socket asks the system for. Force asks past the system limit,
// which only a privileged process is granted; otherwise the request is capped there.
struct ReceiveBufferRequest {
    int Bytes = 8 * 1024 * 1024;
    bool Force = true;

    // What an ordinary user gets on a stock kernel (net.core.rmem_max), for tests and
    // measurements that must not depend on privilege.
    static constexpr ReceiveBufferRequest Stock() { return {212992, false}; }
};

// A plain IPv4 UDP socket (BSD sockets, Winsock 2 on Windows), non-blocking, never shared
// with a child process and never opened with SO_REUSEADDR/SO_REUSEPORT (on Windows it
// holds its port exclusively). Not thread-affine: SendTo
// may be called from any thread at once, because the destination travels with each
// call. Opening, binding, closing and receiving belong to one owner thread.
class UdpSocket {
public:
    // The largest datagram that is delivered; a longer one is a failed receive.
    static constexpr int MaxDatagram = 2048;
    // Datagrams one ReceiveBatch call takes at most.
    static constexpr int BatchSize = 64;

    // What one slot of a batch receive holds.
    enum class ReceiveStatus {
        Datagram, // one datagram of 0..MaxDatagram bytes, with its sender
        Failed,   // an error was reported, or the datagram was longer than MaxDatagram
        Empty     // nothing is waiting
    };
    struct ReceiveResult {
        ReceiveStatus Status = ReceiveStatus::Empty;
        int Length = -1; // bytes stored for Datagram, otherwise -1
        Ipv4Address From;
        int FromPort = 0; // host byte order
    };

    UdpSocket() = default;
    ~UdpSocket();
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Creates the socket (closing any earlier one) and asks for the receive buffer.
    // Returns 0, or the system's error number when no socket could be created.
    int Open(ReceiveBufferRequest buffer = {});
    // Binds to 0.0.0.0:port. False when the port is taken; the socket is then bound
    // to a system-chosen port by its first send (on Windows at once, because Windows
    // cannot wait for datagrams on a socket that is not bound yet).
    bool Bind(int port);
    void Close();
    bool IsOpen() const { return Handle >= 0; }
    // Lets SendTo reach broadcast addresses (SO_BROADCAST). False when refused.
    bool EnableBroadcast();

    // Sends one datagram to address:port (port used as 16 bits). False on failure.
    bool SendTo(Ipv4Address address, int port, std::span<const uint8_t> bytes) const;
    // One slot of a batch receive: MaxDatagram + 1 bytes, so an oversized datagram is
    // told apart from a full one.
    struct Slot {
        uint8_t Bytes[MaxDatagram + 1];
    };
    // Receives up to `slots.size()` waiting datagrams at once into `slots`, filling
    // `results` alike. Returns how many results were filled: 0 when nothing is waiting;
    // a failed receive fills one Failed result.
    int ReceiveBatch(std::span<Slot> slots, std::span<ReceiveResult> results) const;
    // Waits until a datagram can be read or `wakeHandle` (a WakeSignal's handle, -1 for
    // none) becomes readable, at most timeoutMs (-1: no limit). True when the socket is
    // readable.
    bool WaitReadable(std::intptr_t wakeHandle, int timeoutMs) const;
    // True when a datagram waits to be read (never blocks).
    bool HasPending() const { return WaitReadable(-1, 0); }

    // The local port the socket is bound to; 0 when not bound yet or closed.
    int BoundPort() const;
    // The receive buffer size the system granted, in bytes; 0 when closed.
    int ReceiveBufferSize() const;
    // Datagrams the system dropped at this socket for want of receive buffer: the count
    // the latest datagram received carried, or the system's count now when it is ahead
    // (drops after the last datagram are told by no datagram). Any thread, while open.
    // Always 0 on Windows, which tells no such count.
    uint64_t Dropped() const;

private:
    // A descriptor, or a Winsock SOCKET (as wide as a pointer); -1 when closed.
    std::intptr_t Handle = -1;
    mutable std::atomic<uint64_t> Drops{0};
};
