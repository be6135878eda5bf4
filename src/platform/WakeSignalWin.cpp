#include "WakeSignal.h"

#include "WinText.h"

// Winsock 2 before <windows.h>.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

// Windows has no eventfd that select() waits on, so the bell is a UDP socket on the
// loopback, connected to its own address: it hears only itself, and a ring is one byte
// sent to itself.

namespace {

SOCKET Native(std::intptr_t handle) {
    return static_cast<SOCKET>(handle);
}

} // namespace

WakeSignal::~WakeSignal() {
    Close();
}

bool WakeSignal::Open() {
    Close();
    if (!StartWinsock())
        return false;
    const SOCKET bell =
        WSASocketW(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (bell == INVALID_SOCKET)
        return false;
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof self;
    u_long nonBlocking = 1;
    if (bind(bell, reinterpret_cast<const sockaddr*>(&self), sizeof self) != 0 ||
        getsockname(bell, reinterpret_cast<sockaddr*>(&self), &length) != 0 ||
        connect(bell, reinterpret_cast<const sockaddr*>(&self), sizeof self) != 0 ||
        ioctlsocket(bell, FIONBIO, &nonBlocking) != 0) {
        closesocket(bell);
        return false;
    }
    Bell = static_cast<std::intptr_t>(bell);
    return true;
}

void WakeSignal::Close() {
    if (Bell >= 0) {
        closesocket(Native(Bell));
        Bell = -1;
    }
}

void WakeSignal::Ring() const {
    // A full buffer already holds a ring, which is all a waiter needs.
    const char one = 1;
    send(Native(Bell), &one, 1, 0);
}

void WakeSignal::Drain() const {
    char rung[64];
    while (recv(Native(Bell), rung, sizeof rung, 0) > 0) {
    }
}
