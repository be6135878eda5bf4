#include "CliEndpoint.h"

#include "TNMUDP.h"

#include <exception>
#include <iostream>

std::unique_ptr<TNMUDP> OpenCliEndpoint(int localPort) {
    try {
        return std::make_unique<TNMUDP>(localPort);
    } catch (const std::exception& e) {
        std::cerr << "quarrix-cli: " << e.what() << '\n';
        return nullptr;
    }
}
