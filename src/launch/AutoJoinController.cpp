#include "AutoJoinController.h"

#include "AnswerRecord.h"
#include "QueryProtocol.h"
#include "ServerList.h"

#include <vector>

std::optional<ServerStructure> AutoJoinReplyRow(std::span<const uint8_t> datagram,
                                                const std::string& fromIP, int fromPort) {
    ServerInfoStructure info;
    QueryDialect dialect = QueryDialect::Text;
    if (LooksLikeInfoAnswer(datagram)) {
        if (!ReadInfoAnswer(datagram, info))
            return std::nullopt;
    } else {
        A2sInfo binary;
        if (fromIP.empty() || fromPort <= 0 || !ParseA2sInfo(datagram, binary))
            return std::nullopt;
        info = A2sInfoPairs(binary, fromIP, fromPort);
        dialect = QueryDialect::Binary;
    }
    const std::string address(InfoValue(info, "address"));
    if (address.empty())
        return std::nullopt;
    ServerStructure row;
    row.Name = InfoValue(info, "hostname");
    const size_t colon = address.find(':');
    row.IP = address.substr(0, colon);
    row.Port = colon == std::string::npos ? std::string() : address.substr(colon + 1);
    row.Map = InfoValue(info, "map");
    row.Players = InfoValue(info, "players");
    row.MaxPlayers = InfoValue(info, "max");
    row.GameFolder = InfoValue(info, "gamedir");
    // The launch picks the game by the version tag: today's 48 is 1.6, another game "00".
    const std::string protocol(InfoValue(info, "protocol"));
    const std::optional<int32_t> number = ParseInt32(protocol);
    row.Protocol = number ? VersionTag(*number, row.GameFolder) : protocol;
    row.Password = InfoValue(info, "password");
    row.Dialect = dialect;
    row.Bots = InfoValue(info, "bots");
    row.Version = InfoValue(info, "version");
    row.Alive = true;
    row.Answered = true;
    return row;
}

std::optional<bool> HasRoom(const std::string& players, const std::string& maxPlayers,
                            const std::string& margin) {
    const auto count = ParseInt32(players);
    const auto limit = ParseInt32(maxPlayers);
    const auto keep = ParseInt32(margin);
    if (!count || !limit || !keep)
        return std::nullopt;
    // A full server has no room even with no margin: the game could not get in.
    return *count < *limit && static_cast<int64_t>(*count) <= static_cast<int64_t>(*limit) - *keep;
}

AutoJoinController::AutoJoinController(BrowserModel& model) : Model(model) {}

AutoJoinState AutoJoinController::State() const {
    if (InPrompt)
        return AutoJoinState::Prompting;
    return IsDown ? AutoJoinState::Waiting : AutoJoinState::Off;
}

void AutoJoinController::SetTimer(bool on) {
    TimerOn = on;
    if (on && StartTimer)
        StartTimer();
    if (!on && StopTimer)
        StopTimer();
}

void AutoJoinController::ToolButton_AutoJoinClick(bool down) {
    if (down) {
        // The target is not checked here: an empty one ends at the first tick.
        IsDown = true;
        if (SetTargetRed)
            SetTargetRed(true);
        SetTimer(true);
        return;
    }
    StopAutoJoin();
}

void AutoJoinController::StartAutoJoin(const AutoJoinTarget& target) {
    SetTimer(false);
    if (SetTarget)
        SetTarget(target);
    if (SetTargetRed)
        SetTargetRed(true);
    IsDown = true;
    if (SetButtonDown)
        SetButtonDown(true);
    SetTimer(true);
}

void AutoJoinController::StopAutoJoin() {
    SetTimer(false);
    if (SetTargetRed)
        SetTargetRed(false);
    IsDown = false;
    Check = DetailIdle;
    Challenge = A2sChallengeState();
    if (SetButtonDown)
        SetButtonDown(false);
    Image = IdleImage;
    if (SetButtonImage)
        SetButtonImage(Image);
}

void AutoJoinController::Timer_AutoJoinTimer() {
    const AutoJoinTarget target = Target ? Target() : AutoJoinTarget{};
    const auto port = ParseInt32(target.Port);
    // A target that cannot be asked ends the wait instead of failing every second.
    if (target.IP.empty() || target.Port.empty() || !port) {
        StopAutoJoin();
        return;
    }
    Check = DetailInfo;
    const QueryDialect dialect = TargetDialect(target);
    bool sent = Send != nullptr;
    if (sent && dialect != QueryDialect::Binary)
        sent = Send(target.IP, *port, InfoRequest());
    if (sent && dialect != QueryDialect::Text)
        sent = Send(target.IP, *port, Challenge.Begin(A2sQuery::Info));
    if (!sent) {
        StopAutoJoin();
        return;
    }
    Image = Image == IdleImage ? AltImage : IdleImage;
    if (SetButtonImage)
        SetButtonImage(Image);
}

void AutoJoinController::TakeDatagram(std::span<const uint8_t> datagram, const std::string& fromIP,
                                      int fromPort) {
    // A late reply while a prompt of ours is open, or after the wait ended, is not judged.
    if (!IsDown || InPrompt)
        return;
    const AutoJoinTarget target = Target ? Target() : AutoJoinTarget{};
    const auto targetPort = ParseInt32(target.Port);
    // Only the target's own reply counts: another server's room says nothing about it.
    if (fromIP != target.IP || !targetPort || *targetPort != fromPort)
        return;
    if (const auto challenge = ParseA2sChallenge(datagram)) {
        // The tick's binary request goes again with the challenge, within its rounds.
        if (Challenge.Running() && Send)
            if (const auto again = Challenge.OnChallenge(*challenge))
                Send(target.IP, *targetPort, *again);
        return;
    }
    const std::optional<ServerStructure> row = AutoJoinReplyRow(datagram, fromIP, fromPort);
    if (!row)
        return;
    if (row->Dialect == QueryDialect::Binary)
        Challenge.Answered();
    const AutoJoinOptions options = Options ? Options() : AutoJoinOptions{};
    // Without numbers the room cannot be judged; the next reply may be readable.
    if (HasRoom(row->Players, row->MaxPlayers, options.Margin) != true)
        return;
    Join(*row, options);
}

QueryDialect AutoJoinController::TargetDialect(const AutoJoinTarget& target) const {
    const auto canonical = CanonicalAddress(target.IP, target.Port);
    if (!canonical)
        return QueryDialect::Unknown;
    for (const ServerRows* rows : {&Model.SearchResults, &Model.Favorites}) {
        const std::optional<size_t> at = rows->FindFirst(canonical->IP, canonical->Port);
        if (at && (*rows)[*at].Dialect != QueryDialect::Unknown)
            return (*rows)[*at].Dialect;
    }
    return QueryDialect::Unknown;
}

void AutoJoinController::Join(const ServerStructure& row, const AutoJoinOptions& options) {
    InPrompt = true;
    struct PromptEnd {
        bool& Flag;
        ~PromptEnd() { Flag = false; }
    } end{InPrompt};
    SetTimer(false);
    const bool confirmed = options.Confirm != "1" || (Confirm && Confirm(row));
    if (!confirmed) {
        StopAutoJoin();
        if (ShowTrayIcon)
            ShowTrayIcon();
        return;
    }
    std::string password;
    if (row.Password != "0") {
        const std::optional<std::string> typed = AskPassword ? AskPassword() : std::nullopt;
        if (!typed) {
            StopAutoJoin();
            if (ShowTrayIcon)
                ShowTrayIcon();
            return;
        }
        password = *typed;
    }
    if (LaunchGame)
        LaunchGame(row, password);
}
