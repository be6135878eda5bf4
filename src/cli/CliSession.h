#pragma once

#include <QCoreApplication>

#include <memory>

class TNMUDP;

// What a command runs on: the event loop its endpoint reports through, and the endpoint
// itself on localPort (0: the system chooses), asking for receiveBuffer bytes of receive
// buffer without privilege (0: the default request).
class CliSession {
public:
    explicit CliSession(int localPort, int receiveBuffer = 0);
    ~CliSession();

    QCoreApplication& App() { return Application; }
    // Null, with the reason on stderr, when no socket could be had.
    TNMUDP* Udp() const { return Endpoint.get(); }

private:
    int Argc = 1;
    char Name[12] = "quarrix-cli";
    char* Argv[2] = {Name, nullptr};
    QCoreApplication Application{Argc, Argv};
    std::unique_ptr<TNMUDP> Endpoint;
};
