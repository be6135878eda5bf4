#pragma once

#include "BrowserModel.h"
#include "NetworkInterfaces.h"
#include "ServerIntake.h"
#include "UdpSocket.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <vector>

// "Search the LAN": asks every server on the machine's own networks at once, without a
// range. Both info requests go to the broadcast address of every interface that is up
// and can broadcast, on every port of the list, from a socket of its own (a port of the
// system's choosing); for ListenMs its answers go through the scan's intake, challenges
// answered on the same socket. Runs on the UI thread; every view update goes out through
// the std::function members.
class LanSearch : public QObject {
    Q_OBJECT
public:
    static constexpr int DefaultListenMs = 1500;
    // How often the socket is read while listening.
    static constexpr int PollMs = 5;

    enum class StartResult {
        Started,
        Busy,        // a scan or another LAN search runs
        NoPorts,     // the port list is empty (the invalid-port message was shown)
        NoInterface, // no interface is up and able to broadcast (said in the log)
        NoSocket     // no socket could be had (said in the log)
    };

    LanSearch(BrowserModel& model, ServerIntake& intake, QObject* parent = nullptr);
    ~LanSearch() override;

    // Sends the requests and starts listening; see StartResult.
    StartResult Start(const std::vector<int32_t>& ports);
    bool Running() const { return Socket != nullptr; }
    // Servers (rows of SearchResults) that answered the latest search.
    int Answered() const { return static_cast<int>(Servers.size()); }
    // Broadcast addresses the latest search asked.
    const std::vector<Ipv4Address>& Targets() const { return Broadcasts; }
    // True when host:port may answer the latest search: the port is in its list and the
    // host on the network of an interface it asked (binary answers name no address, so the
    // intake takes them only from senders that were asked).
    bool Covers(const std::string& host, int port) const;

    // How long a search listens; tests may shorten it.
    int ListenMs = DefaultListenMs;

    // A scan is running: the search is refused while it does.
    std::function<bool()> ScanRunning;
    // Running state changed (the window enables its button and menu item by it).
    std::function<void(bool running)> RunningChanged;
    // One line for the search log, GBK.
    std::function<void(const std::string& line)> LogLine;
    // A message to show: MessageTable index and caption index.
    std::function<void(int message, int caption)> ShowMessage;
    // After the search stopped listening, with the number of servers that answered.
    std::function<void(int servers)> Finished;

private:
    void Poll();
    void Finish();
    void Log(const std::string& line);
    void SendTo(const std::string& host, int port, std::span<const uint8_t> bytes) const;

    BrowserModel& Model;
    ServerIntake& Intake;
    std::unique_ptr<UdpSocket> Socket;
    QTimer PollTimer;
    QTimer EndTimer;
    std::vector<NetworkInterface> Asked; // the interfaces the latest search broadcast on
    std::vector<Ipv4Address> Broadcasts;
    std::vector<int32_t> Ports;
    std::set<std::string> Servers; // "IP:Port" of the rows that answered
    std::vector<UdpSocket::Slot> Slots;
    std::vector<UdpSocket::ReceiveResult> Results;
};
