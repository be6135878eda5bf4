#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>

class QSocketNotifier;
class UdpSocket;

// Raised for socket failures: "Unknown Error No. " + number, "Null Remote Address", ...
class UDPSockError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One IPv4 UDP endpoint bound to a fixed local port (a failed bind leaves the port to
// the system at the first send). Every arriving datagram is reported by one
// OnDataReceived call on the thread that owns the object (the UI thread), with its
// length, or -1 when the receive failed or the datagram was longer than 2048 bytes.
class TNMUDP : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxDatagram = 2048;

    explicit TNMUDP(int localPort, QObject* parent = nullptr);
    ~TNMUDP() override;

    // Rebinds the socket to a new local port.
    void SetLocalPort(int port);
    int LocalPort() const { return RequestedPort; }
    // The port the socket is actually bound to (0 before the system picked one).
    int BoundPort() const;

    // Sends one datagram to host:port. Safe from any thread: the destination travels
    // with the call. Throws std::invalid_argument("Invalid buffer") for an empty buffer
    // and UDPSockError("Null Remote Address") for 0.0.0.0 or an unresolvable host.
    void SendDatagram(const std::string& host, int port, std::span<const uint8_t> bytes);

    // The bytes of the datagram being reported; valid only inside OnDataReceived with
    // numberBytes not -1. Returns the number of bytes copied.
    int ReadDatagram(uint8_t* destination) const;

    // sender, numberBytes (0..2048 or -1), fromIP ("a.b.c.d"), port (host order).
    std::function<void(TNMUDP&, int, const std::string&, int)> OnDataReceived;

private:
    void OpenSocket();
    void OnReadable();

    int RequestedPort;
    std::unique_ptr<UdpSocket> Socket;
    std::unique_ptr<QSocketNotifier> Notifier;
    uint8_t Buffer[MaxDatagram + 1] = {};
    int Length = -1;
};
