#include "LanSearch.h"

#include "A2sProtocol.h"
#include "Gbk.h"
#include "MessageTable.h"
#include "QueryProtocol.h"

#include <algorithm>

LanSearch::LanSearch(BrowserModel& model, ServerIntake& intake, QObject* parent)
    : QObject(parent), Model(model), Intake(intake), Slots(UdpSocket::BatchSize),
      Results(UdpSocket::BatchSize) {
    PollTimer.setTimerType(Qt::PreciseTimer);
    PollTimer.setInterval(PollMs);
    connect(&PollTimer, &QTimer::timeout, this, [this] { Poll(); });
    EndTimer.setSingleShot(true);
    connect(&EndTimer, &QTimer::timeout, this, [this] { Finish(); });
}

LanSearch::~LanSearch() = default;

void LanSearch::Log(const std::string& line) {
    if (LogLine)
        LogLine(line);
}

LanSearch::StartResult LanSearch::Start(const std::vector<int32_t>& ports) {
    if (Running() || (ScanRunning && ScanRunning()))
        return StartResult::Busy;
    if (ports.empty()) {
        if (ShowMessage)
            ShowMessage(MsgInvalidPort, MsgNotice);
        return StartResult::NoPorts;
    }
    Servers.clear();
    Asked.clear();
    Broadcasts.clear();
    Ports = ports;
    Log(G("局域网搜索开始 ..."));
    for (const NetworkInterface& item : CurrentNetworkInterfaces()) {
        if (!item.Up || item.Loopback || !item.BroadcastCapable || item.Broadcast.Value == 0)
            continue;
        Asked.push_back(item);
        // Two addresses on one network share its broadcast address: one request is enough.
        if (std::find(Broadcasts.begin(), Broadcasts.end(), item.Broadcast) == Broadcasts.end())
            Broadcasts.push_back(item.Broadcast);
    }
    if (Broadcasts.empty()) {
        Log(G("没有可以广播的网络接口 !"));
        Log(G("局域网搜索结束 ! 找到服务器: 0"));
        return StartResult::NoInterface;
    }
    auto socket = std::make_unique<UdpSocket>();
    if (socket->Open() != 0 || !socket->EnableBroadcast() || !socket->Bind(0)) {
        Log(G("无法打开广播端口 !"));
        Log(G("局域网搜索结束 ! 找到服务器: 0"));
        return StartResult::NoSocket;
    }
    Socket = std::move(socket);
    for (const Ipv4Address& to : Broadcasts) {
        Log(G("广播地址: ") + to.ToString());
        for (const int32_t port : Ports)
            for (const Bytes* request : {&InfoRequest(), &A2sInfoRequest()})
                Socket->SendTo(to, port, *request);
    }
    PollTimer.start();
    EndTimer.start(ListenMs);
    if (RunningChanged)
        RunningChanged(true);
    return StartResult::Started;
}

bool LanSearch::Covers(const std::string& host, int port) const {
    if (std::find(Ports.begin(), Ports.end(), port) == Ports.end())
        return false;
    const auto address = Ipv4Address::Parse(host);
    if (!address)
        return false;
    return std::any_of(Asked.begin(), Asked.end(), [&](const NetworkInterface& item) {
        return (address->Value & item.Netmask.Value) == (item.Address.Value & item.Netmask.Value);
    });
}

void LanSearch::SendTo(const std::string& host, int port, std::span<const uint8_t> bytes) const {
    const auto address = Ipv4Address::Parse(host);
    if (Socket && address)
        Socket->SendTo(*address, port, bytes);
}

void LanSearch::Poll() {
    if (!Socket)
        return;
    const ServerIntake::SendFunction reply = [this](const std::string& host, int port,
                                                    std::span<const uint8_t> bytes) {
        SendTo(host, port, bytes);
    };
    // Bounded, so a flood cannot hold the UI thread; the rest waits for the next turn.
    for (int batch = 0; batch < 8; ++batch) {
        const int n = Socket->ReceiveBatch(Slots, Results);
        for (int i = 0; i < n; ++i) {
            const UdpSocket::ReceiveResult& got = Results[static_cast<size_t>(i)];
            if (got.Status != UdpSocket::ReceiveStatus::Datagram || got.Length <= 0)
                continue;
            const std::span<const uint8_t> datagram(Slots[static_cast<size_t>(i)].Bytes,
                                                    static_cast<size_t>(got.Length));
            const auto outcome =
                Intake.TakeDatagram(datagram, got.From.ToString(), got.FromPort, reply);
            const auto at = Intake.LastPosition();
            if ((outcome == ServerIntake::Outcome::Inserted ||
                 outcome == ServerIntake::Outcome::Merged) &&
                at && *at < Model.SearchResults.size()) {
                const ServerStructure& row = Model.SearchResults[*at];
                Servers.insert(row.IP + ":" + row.Port);
            }
        }
        if (n < UdpSocket::BatchSize)
            break;
    }
}

void LanSearch::Finish() {
    Poll();
    PollTimer.stop();
    Socket.reset();
    Log(G("局域网搜索结束 ! 找到服务器: ") + std::to_string(Servers.size()));
    if (RunningChanged)
        RunningChanged(false);
    if (Finished)
        Finished(Answered());
}
