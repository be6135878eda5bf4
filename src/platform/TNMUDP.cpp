#include "TNMUDP.h"

#include "UdpSocket.h"

#include <QPointer>
#include <QSocketNotifier>

#include <algorithm>
#include <cstring>
#include <mutex>

TNMUDP::TNMUDP(int localPort, QObject* parent)
    : QObject(parent), RequestedPort(localPort), Socket(std::make_unique<UdpSocket>()) {
    OpenSocket();
}

TNMUDP::~TNMUDP() {
    if (Notifier != nullptr) {
        Notifier->setEnabled(false);
    }
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

int TNMUDP::ReadDatagram(uint8_t* destination) const {
    return ReadDatagram(std::span<uint8_t>(destination, MaxDatagram));
}

int TNMUDP::ReadDatagram(std::span<uint8_t> destination) const {
    if (Length <= 0) {
        return 0;
    }
    const size_t count = std::min(static_cast<size_t>(Length), destination.size());
    std::memcpy(destination.data(), Buffer.data(), count);
    return static_cast<int>(count);
}

void TNMUDP::OpenSocket() {
    // The old notifier may be the one whose signal is running right now (a handler
    // that rebinds), so it is switched off here and deleted by the event loop.
    if (Notifier != nullptr) {
        Notifier->setEnabled(false);
        Notifier->deleteLater();
        Notifier = nullptr;
    }
    ++Generation;
    Length = -1;
    int error = 0;
    {
        std::unique_lock lock(SocketLock);
        error = Socket->Open();
        if (error == 0) {
            // A taken port is not an error: the first send binds a system-chosen one.
            Socket->Bind(RequestedPort);
        }
    }
    if (error != 0) {
        throw UDPSockError("Unknown Error No. " + std::to_string(error));
    }
    Notifier = new QSocketNotifier(Socket->NativeHandle(), QSocketNotifier::Read, this);
    connect(Notifier, &QSocketNotifier::activated, this, &TNMUDP::OnReadable);
}

void TNMUDP::OnReadable() {
    // A handler may delete or rebind this endpoint; both end the drain at once.
    const QPointer<TNMUDP> alive(this);
    const unsigned generation = Generation;
    // Bounded so a burst of answers cannot keep the event loop from the rest of the UI;
    // the notifier fires again while datagrams remain.
    for (int handled = 0; handled < DrainLimit; ++handled) {
        const UdpSocket::ReceiveResult result = Socket->Receive(Buffer);
        if (result.Status == UdpSocket::ReceiveStatus::Empty) {
            return;
        }
        Length = result.Length;
        if (OnDataReceived) {
            OnDataReceived(*this, Length, result.From.ToString(), result.FromPort);
        }
        if (alive.isNull() || Generation != generation) {
            return;
        }
        Length = -1;
    }
}
