#include "TNMUDP.h"

#include "WorkerBridge.h"

#include <QPointer>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

namespace {

// A server on the network answers within a millisecond or two; a request unanswered
// for longer is taken as one that went where nobody listens. While answers came lately,
// silence more likely means busy servers, so the wait is longer before writing off.
constexpr int WriteOffAfterMs = 10;
constexpr int WriteOffWhileAnsweringMs = 200;
// A reading thread that has read nothing for this long while datagrams wait is behind.
constexpr int ReaderLateMs = 2;
// The longest a sender waits for an owner that takes nothing.
constexpr int OwnerWaitLimitMs = 1000;
// Room for answers even where the system reports a tiny buffer.
constexpr int64_t MinAnswerRoom = 16;
// The last answers of a walk: in after this long without a datagram read, and waited for
// no longer than the limit.
constexpr int SettleQuietMs = 400;
constexpr int SettleLimitMs = 3000;
// Drops seen again while a window is being sent anew: at most this many sendings in a row.
constexpr int MaxResendRounds = 4;
// The latest paced requests kept for sending anew: those whose answers may still come,
// several buffers' worth (answers come back within a few buffers of their requests).
constexpr int64_t WindowBuffers = 8;
constexpr size_t MinWindow = 4096;
constexpr size_t MaxWindow = size_t{1} << 16;

} // namespace

TNMUDP::TNMUDP(int localPort, QObject* parent)
    : TNMUDP(localPort, ReceiveBufferRequest{}, parent) {}

TNMUDP::TNMUDP(int localPort, ReceiveBufferRequest buffer, QObject* parent)
    : TNMUDP(localPort, buffer, DatagramReceiver::MaxQueuedDatagrams) {
    setParent(parent);
}

TNMUDP::TNMUDP(int localPort, ReceiveBufferRequest buffer, size_t maxQueued)
    : RequestedPort(localPort), BufferRequest(buffer), Socket(std::make_unique<UdpSocket>()) {
    Bridge = new WorkerBridge([this] { Deliver(); }, this);
    Receiver = std::make_unique<DatagramReceiver>(
        *Socket, [bridge = Bridge] { bridge->Notify(); }, maxQueued);
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
    if (PacedSender == std::this_thread::get_id()) {
        // The request the pace was just asked for: kept while its answer may still come.
        lock.unlock();
        std::lock_guard pace(PaceMutex);
        PacedSender = std::thread::id{};
        RememberPaced({*address, port, std::vector<uint8_t>(bytes.begin(), bytes.end())});
    }
}

uint64_t TNMUDP::DroppedDatagrams() const {
    std::shared_lock lock(SocketLock);
    return Socket->Dropped();
}

bool TNMUDP::SocketHasPending() const {
    std::shared_lock lock(SocketLock);
    return Socket->HasPending();
}

void TNMUDP::WaitForReceiveRoom(const std::function<bool()>& cancelled) {
    std::lock_guard lock(PaceMutex);
    if (ResendAfterDrops(cancelled) && WaitForRoomLocked(cancelled))
        PacedSender = std::this_thread::get_id();
}

bool TNMUDP::ResendAfterDrops(const std::function<bool()>& cancelled) {
    // Answers the system dropped since the last look (the reading thread could not run
    // while they came): the requests of the window in which they happened go out again,
    // each within the pace, and the window stays tight from now on. A busy machine makes
    // a scan slower, never emptier.
    for (int round = 0; round < MaxResendRounds; ++round) {
        const uint64_t dropped = DroppedDatagrams();
        if (dropped < DropsSeen)
            DropsSeen = dropped; // a new socket counts from 0
        if (dropped == DropsSeen)
            break;
        DropsSeen = dropped;
        Cautious = true;
        std::deque<PacedSend> again;
        again.swap(Window);
        for (const PacedSend& send : again) {
            if (!WaitForRoomLocked(cancelled))
                return false;
            {
                std::shared_lock socketLock(SocketLock);
                Socket->SendTo(send.To, send.Port, send.Bytes);
            }
            RememberPaced(send);
            ++Resent;
        }
    }
    return true;
}

void TNMUDP::SettlePacedRequests(const std::function<bool()>& cancelled) {
    using namespace std::chrono;
    std::lock_guard lock(PaceMutex);
    const auto deadline = steady_clock::now() + milliseconds(SettleLimitMs);
    const uint64_t resentBefore = Cautious ? ~uint64_t{0} : Resent.load(std::memory_order_relaxed);
    for (int round = 0; round <= MaxResendRounds; ++round) {
        // In: every paced request answered, or nothing read for a while and nothing waiting.
        uint64_t readSeen = Receiver->Read();
        auto lastRead = steady_clock::now();
        for (;;) {
            if (cancelled && cancelled())
                return;
            const auto now = steady_clock::now();
            if (const uint64_t read = Receiver->Read(); read != readSeen) {
                readSeen = read;
                lastRead = now;
            }
            // Once requests went out again, their duplicate answers inflate the count: it
            // can reach the requests while a server dropped twice is still unheard, so
            // only a quiet socket says the answers are in.
            const int64_t outstanding =
                PacedRequests - WrittenOff - static_cast<int64_t>(Receiver->Answers());
            if ((outstanding <= 0 && Resent.load(std::memory_order_relaxed) == resentBefore) ||
                now >= deadline ||
                (now - lastRead >= milliseconds(SettleQuietMs) && !SocketHasPending()))
                break;
            std::this_thread::sleep_for(microseconds(200));
        }
        const uint64_t dropped = DroppedDatagrams();
        if (dropped <= DropsSeen || steady_clock::now() >= deadline) {
            DropsSeen = std::min(DropsSeen, dropped);
            return;
        }
        if (!ResendAfterDrops(cancelled))
            return;
    }
}

void TNMUDP::RememberPaced(PacedSend send) {
    Window.push_back(std::move(send));
    const size_t span = std::clamp<size_t>(
        static_cast<size_t>(WindowBuffers * Room.load(std::memory_order_relaxed)), MinWindow,
        MaxWindow);
    while (Window.size() > span)
        Window.pop_front();
}

bool TNMUDP::WaitForRoomLocked(const std::function<bool()>& cancelled) {
    using namespace std::chrono;
    const int64_t room = Room.load(std::memory_order_relaxed);
    if (Allowance == 0)
        Allowance = room;
    ++PacedRequests;
    if (const uint64_t answers = Receiver->Answers(); answers != AnswersSeen) {
        // Answers are coming: back to the tight allowance, whatever a quiet stretch grew.
        AnswersSeen = answers;
        LastAnswerSeen = steady_clock::now();
        Allowance = std::max(room, Allowance / 2);
    }
    auto outstanding = [&] {
        return PacedRequests - WrittenOff - static_cast<int64_t>(Receiver->Answers());
    };
    if (outstanding() <= Allowance && Receiver->Queued() < DatagramReceiver::MaxQueuedDatagrams / 2)
        return true;
    const auto start = steady_clock::now();
    auto quietSince = start;
    auto lastRead = start;
    uint64_t readSeen = Receiver->Read();
    for (;;) {
        std::this_thread::sleep_for(microseconds(50));
        // Whoever waits for the sender (the UI thread starting the next scan) waits no
        // longer than this.
        if (cancelled && cancelled())
            return false;
        const auto now = steady_clock::now();
        const uint64_t answers = Receiver->Answers();
        if (answers != AnswersSeen) {
            AnswersSeen = answers;
            quietSince = now;
            LastAnswerSeen = now;
        }
        if (const uint64_t read = Receiver->Read(); read != readSeen) {
            readSeen = read;
            lastRead = now;
        }
        // An owner that does not take its arrivals at all (it is shutting down) must not
        // hold the sender for ever.
        const bool ownerBehind = Receiver->Queued() >= DatagramReceiver::MaxQueuedDatagrams / 2;
        if (ownerBehind && now - start >= milliseconds(OwnerWaitLimitMs))
            return true;
        if (!ownerBehind && outstanding() <= Allowance)
            return true;
        // Datagrams wait that the reading thread has not come to lately: answers may be
        // among them, so nothing is written off meanwhile.
        const bool readerBehind =
            now - lastRead >= milliseconds(ReaderLateMs) && SocketHasPending();
        if (ownerBehind || readerBehind) {
            quietSince = now;
        } else if (now - quietSince >= milliseconds(WriteOffAfterMs)) {
            // Nothing came back for a while: the rest went where nobody answers. Let the
            // next stretch run further, so an empty range is not walked in small steps;
            // while some servers answer, only as far as the buffer holds, and after drops
            // only a little further, so answers never come in floods again.
            WrittenOff = PacedRequests - static_cast<int64_t>(answers);
            const bool answering = now - LastAnswerSeen < milliseconds(WriteOffWhileAnsweringMs);
            Allowance = answering
                            ? room
                            : std::min<int64_t>(Allowance * (Cautious ? 2 : 16), int64_t{1} << 40);
            return true;
        }
    }
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
    // What the granted buffer holds, taken once: an answer of a few hundred bytes takes
    // up to about 2 KiB of the system's accounting.
    Room = std::max<int64_t>(MinAnswerRoom, ReceiveBufferSize() / 2048);
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
