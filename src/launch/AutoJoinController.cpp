#include "AutoJoinController.h"

#include "QueryProtocol.h"
#include "ServerList.h"

#include <vector>

std::optional<ServerStructure> AutoJoinReplyRow(std::span<const uint8_t> datagram) {
    std::vector<uint8_t> bytes(datagram.begin(), datagram.end());
    MarkInfoHeader(bytes);
    if (!LooksLikeInfoAnswer(bytes))
        return std::nullopt;
    ServerInfoStructure info;
    if (!ParseInfoAnswer(bytes, info))
        return std::nullopt;
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
    row.Protocol = InfoValue(info, "protocol");
    row.Password = InfoValue(info, "password");
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
    if (!Send || !Send(target.IP, *port, InfoRequest())) {
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
    const std::optional<ServerStructure> row = AutoJoinReplyRow(datagram);
    if (!row)
        return;
    const AutoJoinOptions options = Options ? Options() : AutoJoinOptions{};
    // Without numbers the room cannot be judged; the next reply may be readable.
    if (HasRoom(row->Players, row->MaxPlayers, options.Margin) != true)
        return;
    Join(*row, options);
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
