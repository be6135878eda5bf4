#include "CliSession.h"

#include "TNMUDP.h"

#include <exception>
#include <iostream>

CliSession::CliSession(int localPort, int receiveBuffer) {
    try {
        const ReceiveBufferRequest buffer =
            receiveBuffer > 0 ? ReceiveBufferRequest{receiveBuffer, false} : ReceiveBufferRequest{};
        Endpoint = std::make_unique<TNMUDP>(localPort, buffer);
    } catch (const std::exception& e) {
        std::cerr << "quarrix-cli: " << e.what() << '\n';
    }
}

CliSession::~CliSession() = default;
