#include "UdpSocket.h"

UdpSocket::UdpSocket() = default;
UdpSocket::~UdpSocket() = default;
