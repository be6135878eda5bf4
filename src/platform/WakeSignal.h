#pragma once

#include <cstdint>

// A doorbell that another thread rings to end a socket wait early
// (UdpSocket::WaitReadable): an eventfd on Linux, a loopback socket that only talks to
// itself on Windows, so the same select/poll that waits on the socket wakes for it.
class WakeSignal {
public:
    WakeSignal() = default;
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    // Makes the doorbell (closing any earlier one); false when the system gives none.
    bool Open();
    void Close();
    // Any thread: the next or current wait on Handle() ends. A ring that finds the bell
    // already ringing is enough.
    void Ring() const;
    // The waiting thread, after a wait: silences the bell so the next wait waits again.
    void Drain() const;
    // What WaitReadable waits on besides its socket; -1 while closed.
    std::intptr_t Handle() const { return Bell; }

private:
    std::intptr_t Bell = -1;
};
