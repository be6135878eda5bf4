#include "CliSession.h"

#include "TNMUDP.h"

#include <exception>
#include <iostream>

CliSession::CliSession(int localPort) {
    try {
        Endpoint = std::make_unique<TNMUDP>(localPort);
    } catch (const std::exception& e) {
        std::cerr << "quarrix-cli: " << e.what() << '\n';
    }
}

CliSession::~CliSession() = default;
