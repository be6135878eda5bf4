#include "RefreshController.h"

#include "AnswerApply.h"

#include "AnswerRecord.h"
#include "Clock.h"
#include "TNMUDP.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <exception>

uint32_t RefreshProgressStep(uint64_t rows) {
    if (rows == 0)
        return RefreshController::ProgressMax;
    return static_cast<uint32_t>(uint64_t{RefreshController::ProgressMax} / rows);
}

int ContinuousPeriodMs(const std::string& secondsText) {
    double seconds = 0;
    const char* end = secondsText.data() + secondsText.size();
    const auto [at, error] = std::from_chars(secondsText.data(), end, seconds);
    if (error != std::errc() || at != end || !(seconds > 0))
        return 1000;
    const double ms = seconds * 1000.0;
    if (ms >= static_cast<double>(INT_MAX))
        return INT_MAX;
    return std::max(1, static_cast<int>(ms));
}

int FinalPauseMs(const std::string& intervalText) {
    const std::optional<int32_t> ms = ParseInt32(intervalText);
    return ms && *ms > 0 ? *ms : 0;
}

RefreshController::RefreshController(BrowserModel& model, QObject* parent)
    : QObject(parent), Model(model), ReceiveBuffer(TNMUDP::MaxDatagram) {
    Pacer.setTimerType(Qt::PreciseTimer);
    Pacer.setInterval(PaceMs);
    connect(&Pacer, &QTimer::timeout, this, [this] { OnPaceTick(); });
}

RefreshController::~RefreshController() {
    StopAll();
}

RefreshOptions RefreshController::CurrentOptions() const {
    return Options ? Options() : RefreshOptions{};
}

void RefreshController::SetPosition(uint32_t position) {
    Position = std::min(position, ProgressMax);
    if (ProgressChanged)
        ProgressChanged(Position);
}

void RefreshController::AddProgress(uint32_t step) {
    SetPosition(static_cast<uint32_t>(
        std::min<uint64_t>(uint64_t{Position} + step, uint64_t{ProgressMax})));
}

bool RefreshController::AnyQuerying() const {
    return std::any_of(Passes.begin(), Passes.end(),
                       [](const std::unique_ptr<Pass>& pass) { return pass->Querying; });
}

std::vector<RefreshController::Target>
RefreshController::ChosenFavorites(const RefreshOptions& options) const {
    const ServerRows& favorites = Model.Favorites;
    std::vector<size_t> positions;
    const bool cs15 = options.FavoriteFilter1 == "1", cs16 = options.FavoriteFilter2 == "1";
    if (cs15 && cs16) {
        positions.resize(favorites.size());
        for (size_t i = 0; i < positions.size(); ++i)
            positions[i] = i;
    } else if (cs15 || cs16) {
        for (const int32_t index : cs15 ? Model.FavoriteRows15 : Model.FavoriteRows16)
            if (index >= 0 && static_cast<size_t>(index) < favorites.size())
                positions.push_back(static_cast<size_t>(index));
    }
    std::vector<Target> targets;
    targets.reserve(positions.size());
    for (const size_t position : positions) {
        const ServerStructure& row = favorites[position];
        const std::vector<size_t> same = favorites.Find(row.IP, row.Port);
        const size_t occurrence = static_cast<size_t>(
            std::lower_bound(same.begin(), same.end(), position) - same.begin());
        targets.push_back(Target{true, ServerKey{row.IP, row.Port}, occurrence});
    }
    return targets;
}

void RefreshController::StartRefresh() {
    auto created = std::make_unique<Pass>();
    created->Id = NextId++;
    Pass& pass = *created;
    Passes.push_back(std::move(created));

    Model.Refreshing = true;
    if (RefreshEnabled)
        RefreshEnabled(false);
    if (DeleteEnabled)
        DeleteEnabled(false);
    SetPosition(0);

    // The pass walks identities taken now; rows are looked up again when their turn comes.
    const RefreshOptions options = CurrentOptions();
    const ServerRows& results = Model.SearchResults;
    const std::vector<ServerKey> keys = results.Identities();
    pass.Targets.reserve(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        const std::vector<size_t> same = results.Find(keys[i].IP, keys[i].Port);
        const size_t occurrence =
            static_cast<size_t>(std::lower_bound(same.begin(), same.end(), i) - same.begin());
        pass.Targets.push_back(Target{false, keys[i], occurrence});
    }
    pass.SearchCount = pass.Targets.size();
    std::vector<Target> favorites = ChosenFavorites(options);
    pass.Targets.insert(pass.Targets.end(), std::make_move_iterator(favorites.begin()),
                        std::make_move_iterator(favorites.end()));

    if (pass.Targets.empty()) {
        // Nothing to query: continuous mode is re-armed, or everything reset when it is off.
        ToolButton_AutoClick(Pressed);
        EndQueries(pass);
        return;
    }
    pass.Step = RefreshProgressStep(pass.Targets.size());
    if (!StepPass(pass)) {
        EndQueries(pass);
        return;
    }
    if (!Pacer.isActive())
        Pacer.start();
}

bool RefreshController::QueryRow(const Target& target) {
    ServerRows& rows = target.Favorite ? Model.Favorites : Model.SearchResults;
    const std::vector<size_t> same = rows.Find(target.Key.IP, target.Key.Port);
    if (target.Occurrence >= same.size())
        return false; // deleted since the pass began
    // Blanked, latched and stamped before the request leaves, so its answer always finds
    // the row waiting with the right send time.
    const uint32_t now = CurrentClock().TickCount();
    rows.Update(same[target.Occurrence], [now](ServerStructure& row) { BlankForQuery(row, now); });
    const std::optional<int32_t> port = ParseInt32(target.Key.Port);
    if (port)
        SendInfoRequests(target.Key.IP, *port, rows[same[target.Occurrence]].Dialect, now);
    return true;
}

void RefreshController::SendNow(const std::string& host, int port, std::span<const uint8_t> bytes) {
    if (!Send)
        return;
    try {
        Send(host, port, bytes);
    } catch (const std::exception&) {
        // A destination the endpoint refuses loses only its own request.
    }
}

void RefreshController::SendInfoRequests(const std::string& ip, int port, QueryDialect dialect,
                                         uint32_t now) {
    if (dialect != QueryDialect::Binary)
        SendNow(ip, port, InfoRequest());
    if (dialect == QueryDialect::Text)
        return;
    const std::string key = ip + ":" + std::to_string(port);
    if (Challenges.size() >= MaxChallengedServers && !Challenges.contains(key)) {
        std::erase_if(Challenges, [now](const auto& entry) {
            return now - entry.second.QueriedAt >= ChallengeMemoryMs;
        });
        if (Challenges.size() >= MaxChallengedServers)
            Challenges.clear();
    }
    Challenged& entry = Challenges[key];
    entry.QueriedAt = now;
    SendNow(ip, port, entry.State.Begin(A2sQuery::Info));
}

void RefreshController::TakeChallenge(const A2sChallenge& challenge, const std::string& fromIP,
                                      int fromPort) {
    const auto found = Challenges.find(fromIP + ":" + std::to_string(fromPort));
    if (found == Challenges.end())
        return; // no pass asked this sender in the binary dialect
    if (CurrentClock().TickCount() - found->second.QueriedAt >= ChallengeMemoryMs) {
        Challenges.erase(found);
        return;
    }
    std::optional<Bytes> again = found->second.State.OnChallenge(challenge);
    if (!again)
        return; // a server that asks for ever gets no more than its rounds
    // The resend is a query like any other: it waits for a pacing tick of its own.
    Resends.push_back(Resend{fromIP, fromPort, std::move(*again)});
    if (!Pacer.isActive())
        Pacer.start();
}

bool RefreshController::StepPass(Pass& pass) {
    while (!pass.Stopped && pass.Next < pass.Targets.size()) {
        if (pass.Next == pass.SearchCount && FavoritesVisible && !FavoritesVisible())
            return false;
        const Target& target = pass.Targets[pass.Next++];
        const bool queried = QueryRow(target);
        AddProgress(pass.Step);
        if (queried)
            return true;
    }
    return false;
}

void RefreshController::OnPaceTick() {
    if (!Resends.empty()) {
        const Resend resend = std::move(Resends.front());
        Resends.pop_front();
        SendNow(resend.Host, resend.Port, resend.Request);
    } else {
        // Indexed: a pass's end steps may start another pass, which appends.
        for (size_t i = 0; i < Passes.size(); ++i) {
            Pass& pass = *Passes[i];
            if (pass.Querying && !StepPass(pass))
                EndQueries(pass);
        }
    }
    if (!AnyQuerying() && Resends.empty())
        Pacer.stop();
}

void RefreshController::EndQueries(Pass& pass) {
    pass.Querying = false;
    const bool detailsShown = !DetailsVisible || DetailsVisible();
    if (detailsShown && !Model.SelectedAddress.empty() && QueryDetails)
        QueryDetails(Model.SelectedAddress);
    SetPosition(ProgressMax);
    // Even a pass over an empty list leaves the results' caption with its count.
    if (ResultsCounted)
        ResultsCounted();
    // A pass still querying keeps the buttons as its start left them.
    if (!AnyQuerying()) {
        if (RefreshEnabled)
            RefreshEnabled(true);
        if (DeleteEnabled)
            DeleteEnabled(true);
    }
    const uint64_t id = pass.Id;
    QTimer::singleShot(FinalPauseMs(CurrentOptions().Interval), this,
                       [this, id] { FinishPass(id); });
}

void RefreshController::FinishPass(uint64_t id) {
    std::erase_if(Passes, [id](const std::unique_ptr<Pass>& pass) { return pass->Id == id; });
    Model.Refreshing = !Passes.empty();
}

void RefreshController::Timer_RefreshServerTimer() {
    if (!Model.Refreshing)
        StartRefresh();
}

void RefreshController::PageControl_InfoTabActive() {
    if (!Model.SelectedAddress.empty() && !Pressed)
        StartRefresh();
}

void RefreshController::ToolButton_AutoClick(bool pressed) {
    Pressed = pressed;
    if (pressed) {
        if (IntervalEditable)
            IntervalEditable(false);
        if (StartTimer)
            StartTimer(ContinuousPeriodMs(AutoIntervalText ? AutoIntervalText() : "1"));
        Model.AutoRefreshOn = true;
        if (RefreshEnabled)
            RefreshEnabled(false);
        return;
    }
    if (IntervalEditable)
        IntervalEditable(true);
    RequestStop();
    if (StopTimer)
        StopTimer();
    if (RefreshEnabled)
        RefreshEnabled(true);
    SetPosition(0);
    Model.AutoRefreshOn = false;
}

void RefreshController::RequestStop() {
    for (const std::unique_ptr<Pass>& pass : Passes)
        pass->Stopped = true;
}

void RefreshController::StopAll() {
    Pacer.stop();
    Passes.clear();
    Resends.clear();
    Challenges.clear();
    Model.Refreshing = false;
}

void RefreshController::NMUDP2DataReceived(TNMUDP& sender, int numberBytes,
                                           const std::string& fromIP, int port) {
    if (numberBytes == -1)
        return;
    const int n = sender.ReadDatagram(std::span<uint8_t>(ReceiveBuffer));
    if (n <= 0)
        return;
    TakeDatagram(std::span<const uint8_t>(ReceiveBuffer.data(), static_cast<size_t>(n)), fromIP,
                 port);
}

void RefreshController::TakeDatagram(std::span<const uint8_t> datagram, const std::string& fromIP,
                                     int fromPort) {
    if (LooksLikeInfoAnswer(datagram)) {
        ServerInfoStructure info;
        if (!ReadInfoAnswer(datagram, info))
            return;
        ApplyInfoToSearchResults(info);
        ApplyInfoToFavorites(info);
        return;
    }
    // The binary dialect names no address the rows could rely on: only the sender does.
    if (fromIP.empty() || fromPort <= 0)
        return;
    if (const auto challenge = ParseA2sChallenge(datagram)) {
        TakeChallenge(*challenge, fromIP, fromPort);
        return;
    }
    A2sInfo binary;
    if (ParseA2sInfo(datagram, binary))
        TakeBinaryInfo(binary, fromIP, fromPort);
}

void RefreshController::TakeBinaryInfo(const A2sInfo& binary, const std::string& fromIP,
                                       int fromPort) {
    const auto found = Challenges.find(fromIP + ":" + std::to_string(fromPort));
    if (found != Challenges.end())
        found->second.State.Answered();
    const ServerInfoStructure info = A2sInfoPairs(binary, fromIP, fromPort);
    const std::optional<ServerStructure> answer = BuildAnswerRecord(info, QueryDialect::Binary);
    if (!answer)
        return;
    ApplyAnswer(*answer);
}

void RefreshController::ApplyInfoToSearchResults(const ServerInfoStructure& info) {
    const std::optional<ServerStructure> answer = BuildAnswerRecord(info);
    if (answer)
        ApplyToSearchResults(*answer);
}

void RefreshController::ApplyInfoToFavorites(const ServerInfoStructure& info) {
    const std::optional<ServerStructure> answer = BuildAnswerRecord(info);
    if (!answer)
        return;
    ApplyAnswerToFavorites(Model.Favorites, *answer, CurrentClock().TickCount());
}

void RefreshController::ApplyToSearchResults(const ServerStructure& answer) {
    const RefreshOptions options = CurrentOptions();
    const bool filtered = (options.ResultFilter1 == "0" && answer.Protocol == "46") ||
                          (options.ResultFilter2 == "0" && answer.Protocol == "47");
    if (!filtered)
        ApplyAnswerToSearchResults(Model.SearchResults, answer, CurrentClock().TickCount());
    if (ResultsCounted)
        ResultsCounted();
}

void RefreshController::ApplyAnswer(const ServerStructure& answer) {
    ApplyToSearchResults(answer);
    ApplyAnswerToFavorites(Model.Favorites, answer, CurrentClock().TickCount());
}
