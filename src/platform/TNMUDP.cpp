#include "TNMUDP.h"

#include "WorkerBridge.h"

#include <QPointer>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

// A look at the system's buffer costs a system call, so a sender looks every few sends;
// a handful of answers fits in the margin left above half full.
constexpr unsigned PaceCheckEvery = 8;

} // namespace

TNMUDP::TNMUDP(int localPort, QObject* parent)
    : TNMUDP(localPort, ReceiveBufferRequest{}, parent) {}

TNMUDP::TNMUDP(int localPort, ReceiveBufferRequest buffer, QObject* parent)
    : QObject(parent), RequestedPort(localPort), BufferRequest(buffer),
      Socket(std::make_unique<UdpSocket>()) {
    Bridge = new WorkerBridge([this] { Deliver(); }, this);
    Receiver = std::make_unique<DatagramReceiver>(*Socket, [bridge = Bridge] { bridge->Notify(); });
    OpenSocket();
}

TNMUDP::~TNMUDP() {
    Receiver->Stop();
    std::unique_lock lock(SocketLock);
    Socket->Close();
}

void TNMUDP::SetLocalPort(int port) {
    RequestedPort = port;
    OpenSocket();
}

int TNMUDP::BoundPort() const {
    std::shared_lock lock(SocketLock);
    return Socket->BoundPort();
}

int TNMUDP::ReceiveBufferSize() const {
    std::shared_lock lock(SocketLock);
    return Socket->ReceiveBufferSize();
}

void TNMUDP::SendDatagram(const std::string& host, int port, std::span<const uint8_t> bytes) {
    if (bytes.empty()) {
        throw std::invalid_argument("Invalid buffer");
    }
    const std::optional<Ipv4Address> address = Ipv4Address::Parse(host);
    if (!address || address->Value == 0) {
        throw UDPSockError("Null Remote Address");
    }
    std::shared_lock lock(SocketLock);
    Socket->SendTo(*address, port, bytes);
}

bool TNMUDP::Backlogged(bool resuming) const {
    std::shared_lock lock(SocketLock);
    const uint64_t divisor = resuming ? 4 : 2;
    if (Receiver->Queued() * divisor > DatagramReceiver::MaxQueuedDatagrams) {
        return true;
    }
    const UdpSocket::QueueFill fill = Socket->ReceiveQueueFill();
    return fill.Capacity > 0 && uint64_t{fill.Used} * divisor > fill.Capacity;
}

void TNMUDP::WaitForReceiveRoom(int maxWaitMs) {
    if (PaceCalls.fetch_add(1, std::memory_order_relaxed) % PaceCheckEvery != 0 ||
        !Backlogged(false)) {
        return;
    }
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(maxWaitMs);
    do {
        std::this_thread::sleep_for(microseconds(100));
    } while (Backlogged(true) && steady_clock::now() < deadline);
}

int TNMUDP::ReadDatagram(uint8_t* destination) const {
    return ReadDatagram(std::span<uint8_t>(destination, MaxDatagram));
}

int TNMUDP::ReadDatagram(std::span<uint8_t> destination) const {
    if (Length <= 0 || Data == nullptr) {
        return 0;
    }
    const size_t count = std::min(static_cast<size_t>(Length), destination.size());
    std::memcpy(destination.data(), Data, count);
    return static_cast<int>(count);
}

void TNMUDP::OpenSocket() {
    // The old socket's thread ends first; what it queued goes with it.
    Receiver->Stop();
    ++Generation;
    Current = {};
    Next = 0;
    Data = nullptr;
    Length = -1;
    int error = 0;
    {
        std::unique_lock lock(SocketLock);
        error = Socket->Open(BufferRequest);
        if (error == 0) {
            // A taken port is not an error: the first send binds a system-chosen one.
            Socket->Bind(RequestedPort);
        }
    }
    if (error != 0) {
        throw UDPSockError("Unknown Error No. " + std::to_string(error));
    }
    if (!Receiver->Start()) {
        const int startError = errno != 0 ? errno : EAGAIN;
        std::unique_lock lock(SocketLock);
        Socket->Close();
        throw UDPSockError("Unknown Error No. " + std::to_string(startError));
    }
}

void TNMUDP::Deliver() {
    // A handler may delete or rebind this endpoint; both end the turn at once.
    const QPointer<TNMUDP> alive(this);
    const unsigned generation = Generation;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(DrainBudgetMs);
    for (int handled = 0; handled < DrainLimit; ++handled) {
        if (Next >= Current.Arrivals.size()) {
            Next = 0;
            if (!Receiver->Take(Current)) {
                // Empty: the receiving thread wakes the bridge at its next arrival.
                Current = {};
                return;
            }
        }
        const DatagramReceiver::Arrival arrival = Current.Arrivals[Next++];
        Length = arrival.Length;
        Data = arrival.Length > 0 ? Current.Bytes.data() + arrival.Offset : nullptr;
        if (OnDataReceived) {
            OnDataReceived(*this, Length, arrival.From.ToString(), arrival.FromPort);
        }
        if (alive.isNull() || Generation != generation) {
            return;
        }
        Length = -1;
        Data = nullptr;
        if (std::chrono::steady_clock::now() >= deadline) {
            break;
        }
    }
    // More may wait: come back after the event loop has had its turn.
    Bridge->Notify();
}
