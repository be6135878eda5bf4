#pragma once

#include <memory>

class TNMUDP;

// The endpoint a command sends from, on localPort (0: the system chooses); null, with the
// reason on stderr, when no socket can be had. A QCoreApplication must exist.
std::unique_ptr<TNMUDP> OpenCliEndpoint(int localPort);
