// The join and the auto-join wired into the main window: the join button, the password
// and confirmation dialogs, ToolButton_AutoJoin with its target edits, Timer_AutoJoin and
// NMUDP3's replies. The rules live in the launch library; this file only maps controls to
// its calls and callbacks.
#include "TForm1.h"

#include "Application.h"
#include "AutoJoinController.h"
#include "FavoriteListModel.h"
#include "LaunchController.h"
#include "ListOperations.h"
#include "ProcessLauncher.h"
#include "ProcessList.h"
#include "SearchController.h"
#include "ServerListModel.h"
#include "TForm_MakeSure.h"
#include "TForm_Options.h"
#include "TForm_Password.h"
#include "TForm_Warnning.h"
#include "TNMUDP.h"
#include "TrayController.h"
#include "WidgetText.h"

#include <QApplication>
#include <QCheckBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>
#include <exception>

namespace {

std::optional<std::string> AskPassword() {
    return Form_Password ? Form_Password->Ask() : std::nullopt;
}

} // namespace

void TForm1::BuildLaunch() {
    Launch = std::make_unique<LaunchController>(SystemLauncher(), SystemProcesses::Instance());
    Launch->Settings = [this] {
        LaunchSettings settings;
        settings.PathCS15 = Setting(SlotPathCS15);
        settings.PathCS16 = Setting(SlotPathCS16);
        settings.Parameter15 = Setting(SlotParameter15);
        settings.Parameter16 = Setting(SlotParameter16);
        settings.PathCD = Setting(SlotPathCD);
        settings.PathOther = Setting(SlotPathOther);
        settings.RunCD = Setting(SlotRunCD);
        settings.RunOther = Setting(SlotRunOther);
        settings.PauseSearching = Setting(SlotPauseSearching);
        settings.StopRefreshing = Setting(SlotStopRefreshing);
        settings.Minimize = Setting(SlotMinimize);
        return settings;
    };
    Launch->AskPassword = AskPassword;
    Launch->ShowMessage = [this](int message, int caption) {
        ShowWarning(MessageTable[message], MessageTable[caption]);
    };
    Launch->ShowText = [this](const std::string& text, int caption) {
        ShowWarning(text, MessageTable[caption]);
    };
    Launch->OpenOptions = [this] { OpenOptions(); };
    Launch->StopAutoJoin = [this] { StopAutoJoin(); };
    Launch->AutoJoinRunning = [this] { return Timer_AutoJoin->isActive(); };
    Launch->StopIconBlink = [this] {
        if (Tray)
            Tray->StopBlinking();
    };
    Launch->ScanRunning = [this] {
        return Search && Search->Searching() && !Search->SearchPaused();
    };
    Launch->PauseScan = [this] {
        if (Search)
            Search->Pause();
    };
    Launch->AutoRefreshOn = [this] { return Browser.AutoRefreshOn.load(); };
    // Releasing the button runs the continuous refresh's own stop.
    Launch->StopAutoRefresh = [this] { ToolButton_Auto->setChecked(false); };
    Launch->MinimizeToTray = [this] { MinimizeToTray(); };

    AutoJoin = std::make_unique<AutoJoinController>(Browser);
    AutoJoin->Options = [this] {
        if (!Options)
            return AutoJoinOptions{};
        return AutoJoinOptions{Setting(SlotMargin), Setting(SlotConfirm)};
    };
    AutoJoin->Target = [this] {
        return AutoJoinTarget{FromQ(Edit_Auto1->text()), FromQ(Edit_Auto2->text()),
                              FromQ(Edit_Auto3->text())};
    };
    AutoJoin->SetTarget = [this](const AutoJoinTarget& target) {
        Edit_Auto1->setText(ToQ(target.Name));
        Edit_Auto2->setText(ToQ(target.IP));
        Edit_Auto3->setText(ToQ(target.Port));
    };
    AutoJoin->SetTargetRed = [this](bool red) {
        for (QLineEdit* edit : {Edit_Auto1, Edit_Auto2, Edit_Auto3}) {
            QPalette palette = edit->palette();
            palette.setColor(QPalette::Text,
                             red ? QColor(Qt::red) : QApplication::palette().color(QPalette::Text));
            edit->setPalette(palette);
        }
    };
    AutoJoin->SetButtonDown = [this](bool down) {
        const QSignalBlocker quiet(ToolButton_AutoJoin);
        ToolButton_AutoJoin->setChecked(down);
    };
    AutoJoin->SetButtonImage = [this](int image) {
        ToolButton_AutoJoin->setIcon(ImageList1[image]);
    };
    AutoJoin->StartTimer = [this] { Timer_AutoJoin->start(); };
    AutoJoin->StopTimer = [this] { Timer_AutoJoin->stop(); };
    AutoJoin->Send = [this](const std::string& host, int port, std::span<const uint8_t> bytes) {
        // Without the endpoint (windows made without sockets) a request is lost like any
        // datagram that cannot leave.
        if (!NMUDP3)
            return true;
        try {
            NMUDP3->SendDatagram(host, port, bytes);
            return true;
        } catch (const std::exception&) {
            return false;
        }
    };
    AutoJoin->Confirm = [this](const ServerStructure& row) {
        if (!Form_MakeSure)
            return false;
        Form_MakeSure->SaveConfirm = [this](const std::string& confirm) {
            if (!Options)
                return;
            Options->IniStructure.Slots[SlotConfirm] = confirm;
            Options->CheckBox[15]->setChecked(confirm == "1");
            Options->SaveSettings();
        };
        Form_MakeSure->Fill(row, MessageTable[MsgJoinNow]);
        return Form_MakeSure->Ask();
    };
    AutoJoin->AskPassword = AskPassword;
    AutoJoin->LaunchGame = [this](const ServerStructure& row, const std::string& password) {
        if (Launch)
            Launch->LaunchGame(row, password);
    };
    AutoJoin->ShowTrayIcon = [this] {
        if (Tray)
            Tray->ShowIcon();
    };

    connect(BitBtn_Join, &QPushButton::clicked, this, [this] { BitBtn_JoinClick(); });
    // The auto-join follows the button however it is pressed; its own changes to the
    // button are made with the signals blocked.
    connect(ToolButton_AutoJoin, &QToolButton::toggled, this, [this](bool down) {
        if (AutoJoin)
            AutoJoin->ToolButton_AutoJoinClick(down);
    });
    connect(Timer_AutoJoin, &QTimer::timeout, this, [this] {
        if (AutoJoin)
            AutoJoin->Timer_AutoJoinTimer();
    });
    BuildTray();
}

void TForm1::ConnectAutoJoinEndpoint() {
    if (!NMUDP3)
        return;
    NMUDP3->OnDataReceived = [this](TNMUDP& sender, int numberBytes, const std::string& fromIP,
                                    int port) {
        if (numberBytes < 0 || !AutoJoin)
            return;
        std::array<uint8_t, TNMUDP::MaxDatagram> buffer{};
        const int length = sender.ReadDatagram(buffer.data());
        AutoJoin->TakeDatagram(std::span<const uint8_t>(buffer.data(), static_cast<size_t>(length)),
                               fromIP, port);
    };
}

std::optional<int> TForm1::FirstSelectedRow(QTreeView* view) const {
    const std::vector<int> rows = SelectedRows(view);
    return rows.empty() ? std::nullopt : std::optional<int>(rows.front());
}

std::optional<ServerStructure> TForm1::SelectedServer() const {
    if (!Lists)
        return std::nullopt;
    if (const std::optional<int> row = FirstSelectedRow(ListView_Server)) {
        const std::optional<size_t> at = Lists->Position(ServerListKind::SearchResults, *row);
        if (at)
            return Browser.SearchResults[*at];
        return std::nullopt;
    }
    if (const std::optional<int> row = FirstSelectedRow(ListView_Favorite)) {
        const std::optional<size_t> at = Lists->Position(ServerListKind::Favorites, *row);
        if (at)
            return Browser.Favorites[*at];
    }
    return std::nullopt;
}

void TForm1::BitBtn_JoinClick() {
    if (Launch)
        Launch->BitBtn_JoinClick(SelectedServer());
}

void TForm1::JoinSelectedServer() {
    if (Launch)
        Launch->JoinSelectedServer(SelectedServer());
}

void TForm1::StartAutoJoin(QTreeView* view) {
    if (!AutoJoin || !Lists || (view != ListView_Server && view != ListView_Favorite))
        return;
    const std::optional<int> row = FirstSelectedRow(view);
    if (!row)
        return;
    const ServerListKind kind =
        view == ListView_Favorite ? ServerListKind::Favorites : ServerListKind::SearchResults;
    const std::optional<size_t> at = Lists->Position(kind, *row);
    if (!at)
        return;
    const ServerRows& list = view == ListView_Favorite ? Browser.Favorites : Browser.SearchResults;
    const ServerStructure& server = list[*at];
    AutoJoin->StartAutoJoin(AutoJoinTarget{server.Name, server.IP, server.Port});
}

void TForm1::StopAutoJoin() {
    if (AutoJoin)
        AutoJoin->StopAutoJoin();
}
