#pragma once

#include "UdpSocket.h"

#include <QObject>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <span>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "DatagramReceiver.h"

class WorkerBridge;

// Raised for socket failures: "Unknown Error No. " + number, "Null Remote Address".
class UDPSockError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One IPv4 UDP endpoint bound to a fixed local port (a failed bind leaves the port to
// the system at the first send). Every arriving datagram is reported by one
// OnDataReceived call on the thread that owns the object (the UI thread), with its
// length, or -1 when the receive failed or the datagram was longer than 2048 bytes.
// A thread of its own reads the socket as fast as datagrams come, so a burst waits in
// memory rather than overflowing the system's buffer while the UI thread is busy.
class TNMUDP : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxDatagram = 2048;
    // Datagrams reported per turn before the event loop gets one...
    static constexpr int DrainLimit = 64;
    // ...and the longest such turn, however costly the handlers.
    static constexpr int DrainBudgetMs = 4;

    // Opens the socket on localPort (0: a system-chosen port), asking for the receive
    // buffer given. Throws UDPSockError ("Unknown Error No. " + error number) when no
    // socket can be created.
    explicit TNMUDP(int localPort, QObject* parent = nullptr);
    TNMUDP(int localPort, ReceiveBufferRequest buffer, QObject* parent = nullptr);
    // The same with room for only `maxQueued` datagrams between the reading thread and the
    // owner (to show what a socket does when its reader is held).
    TNMUDP(int localPort, ReceiveBufferRequest buffer, size_t maxQueued);
    ~TNMUDP() override;

    // Closes the socket and opens a new one on `port`; datagrams not yet reported are
    // dropped with the old socket. Throws like the constructor, leaving the endpoint
    // without a socket (its sends are then lost).
    void SetLocalPort(int port);
    int LocalPort() const { return RequestedPort; }
    // The port the socket is actually bound to (0 before the system picked one).
    // Safe from any thread.
    int BoundPort() const;
    // The receive buffer size the system granted, in bytes (0 without a socket).
    int ReceiveBufferSize() const;
    // Datagrams the system dropped at the current socket for want of receive buffer
    // (0 after a reopening). Any thread.
    uint64_t DroppedDatagrams() const;

    // Sends one datagram to host:port (port used as 16 bits). Safe from any thread: the
    // destination travels with the call. Throws std::invalid_argument("Invalid buffer")
    // for an empty buffer and UDPSockError("Null Remote Address") for a host that is not
    // dotted IPv4 text or is 0.0.0.0. A failed send is silently lost.
    void SendDatagram(const std::string& host, int port, std::span<const uint8_t> bytes);

    // For a sender that asks for many answers at full speed (a scan), on its own thread,
    // before each request: keeps the requests not yet answered within what the socket's
    // buffer can hold, so that answers arriving while this endpoint's thread cannot run
    // are never dropped. Requests that stay unanswered for a few milliseconds are written
    // off, and the allowance grows while nothing answers, so a range where nobody listens
    // is walked at full speed. Usually returns at once. Answers the system dropped
    // meanwhile (told by the socket's own counter) make it send the latest paced requests
    // again, within the pace, before it returns, and keep the pace tight from then on.
    // `cancelled`, asked while waiting, ends the wait at once (a scan being stopped).
    void WaitForReceiveRoom(const std::function<bool()>& cancelled = {});
    // For the same sender after its last request: waits (at most a few seconds) until the
    // answers of the paced requests are in or nothing more arrives, and sends the latest
    // requests again, within the pace, while the system dropped answers meanwhile.
    // `cancelled` ends the wait at once.
    void SettlePacedRequests(const std::function<bool()>& cancelled = {});
    // Paced requests sent again after drops, in all.
    uint64_t ResentRequests() const { return Resent.load(std::memory_order_relaxed); }
    // Which arrivals answer the paced requests (all while unset), so that a flood of
    // other datagrams cannot pass for answers. Any thread.
    void SetAnswerTest(DatagramReceiver::AnswerTest test) { Receiver->SetAnswerTest(test); }

    // Copies the bytes of the datagram being reported into `destination`, which must
    // hold MaxDatagram bytes; valid only inside OnDataReceived with numberBytes not -1.
    // Returns the number of bytes copied (0 when there is no datagram).
    int ReadDatagram(uint8_t* destination) const;
    // The same, copying at most destination.size() bytes.
    int ReadDatagram(std::span<uint8_t> destination) const;

    // sender, numberBytes (0..2048 or -1), fromIP ("a.b.c.d"), port (host order).
    // Runs on the owning thread, one call at a time.
    std::function<void(TNMUDP&, int, const std::string&, int)> OnDataReceived;

private:
    // One paced request as it left, kept for sending again.
    struct PacedSend {
        Ipv4Address To;
        int Port = 0;
        std::vector<uint8_t> Bytes;
    };

    void OpenSocket();
    // The pace proper, PaceMutex held; false when `cancelled` ended the wait.
    bool WaitForRoomLocked(const std::function<bool()>& cancelled);
    // Sends the window again while the socket dropped answers since the last look; false
    // when `cancelled` ended it.
    bool ResendAfterDrops(const std::function<bool()>& cancelled);
    void RememberPaced(PacedSend send);
    // Reports queued arrivals for one turn of the event loop.
    void Deliver();
    // True when datagrams wait in the socket itself, not yet read by the thread.
    bool SocketHasPending() const;

    int RequestedPort;
    ReceiveBufferRequest BufferRequest;
    // Senders on other threads hold it shared; reopening and closing hold it exclusive,
    // so a send never reaches a closed or reused handle.
    mutable std::shared_mutex SocketLock;
    std::unique_ptr<UdpSocket> Socket;
    WorkerBridge* Bridge = nullptr;
    std::unique_ptr<DatagramReceiver> Receiver;
    // The pacing sender's account (WaitForReceiveRoom).
    std::mutex PaceMutex;
    // How many answers may be on their way at once: what the granted buffer holds.
    std::atomic<int64_t> Room{16};
    int64_t PacedRequests = 0; // requests announced so far
    int64_t WrittenOff = 0;    // requests given up as unanswered
    int64_t Allowance = 0;     // requests that may be outstanding; 0 until the first
    uint64_t AnswersSeen = 0;  // answers read at the previous look
    std::chrono::steady_clock::time_point LastAnswerSeen{};
    uint64_t DropsSeen = 0;       // the socket's drop count at the previous look
    bool Cautious = false;        // drops were seen: the allowance grows slowly from then on
    std::deque<PacedSend> Window; // the latest paced requests
    // The thread whose next send is the request the pace was asked for.
    std::atomic<std::thread::id> PacedSender{};
    std::atomic<uint64_t> Resent{0};
    // Counts reopenings, so a delivery turn notices a handler that rebound the endpoint.
    unsigned Generation = 0;
    // The batch being reported and the next arrival in it (owner thread only).
    DatagramReceiver::Batch Current;
    size_t Next = 0;
    const uint8_t* Data = nullptr;
    int Length = -1;
};
