#include "TNMUDP.h"

#include "UdpSocket.h"

#include <QSocketNotifier>

TNMUDP::TNMUDP(int localPort, QObject* parent) : QObject(parent), RequestedPort(localPort) {}
TNMUDP::~TNMUDP() = default;
void TNMUDP::SetLocalPort(int port) { RequestedPort = port; }
int TNMUDP::BoundPort() const { return 0; }
void TNMUDP::SendDatagram(const std::string&, int, std::span<const uint8_t>) {}
int TNMUDP::ReadDatagram(uint8_t*) const { return 0; }
void TNMUDP::OpenSocket() {}
void TNMUDP::OnReadable() {}
