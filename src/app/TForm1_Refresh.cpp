// The list refresh wired into the main window: the refresh and continuous-refresh tool
// buttons, Timer_RefreshServer, the refresh progress bar, the details tab change and
// NMUDP2's answers. The rules live in RefreshController; this file only maps controls to
// its calls and callbacks.
#include "TForm1.h"

#include "RefreshController.h"
#include "ServerIntake.h"
#include "ServerListModel.h"
#include "TForm_Options.h"
#include "TNMUDP.h"
#include "TUpDown.h"
#include "WidgetText.h"

#include <QEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <functional>

namespace {

// Ends every pass when the window closes, before the close saves the lists.
class CloseWatch : public QObject {
public:
    CloseWatch(QObject* window, std::function<void()> onClose)
        : QObject(window), OnClose(std::move(onClose)) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Close)
            OnClose();
        return false;
    }

private:
    std::function<void()> OnClose;
};

} // namespace

void TForm1::BuildRefresh() {
    Refresh = std::make_unique<RefreshController>(Browser);
    Refresh->Options = [this] {
        RefreshOptions options;
        options.FavoriteFilter1 = Setting(SlotFavoriteFilter1);
        options.FavoriteFilter2 = Setting(SlotFavoriteFilter2);
        options.ResultFilter1 = Setting(SlotResultFilter1);
        options.ResultFilter2 = Setting(SlotResultFilter2);
        options.Interval = Setting(SlotInterval);
        return options;
    };
    Refresh->Send = [this](const std::string& host, int port, std::span<const uint8_t> bytes) {
        if (NMUDP2)
            NMUDP2->SendDatagram(host, port, bytes);
    };
    Refresh->ProgressChanged = [this](uint32_t position) {
        ProgressBar_RefreshList->setValue(static_cast<int>(position));
    };
    Refresh->RefreshEnabled = [this](bool enabled) { ToolButton_RefreshList->setEnabled(enabled); };
    Refresh->DeleteEnabled = [this](bool enabled) { ToolButton_DeleteServer->setEnabled(enabled); };
    Refresh->IntervalEditable = [this](bool enabled) {
        if (!Options)
            return;
        Options->Edit_AutoInterval->setEnabled(enabled);
        Options->UpDown_AutoRefreshInterval->setEnabled(enabled);
    };
    Refresh->AutoIntervalText = [this] {
        return Options ? FromQ(Options->Edit_AutoInterval->text()) : std::string("1");
    };
    Refresh->StartTimer = [this](int periodMs) { Timer_RefreshServer->start(periodMs); };
    Refresh->StopTimer = [this] { Timer_RefreshServer->stop(); };
    // The groups' own switches, not whether the window happens to be on screen.
    Refresh->FavoritesVisible = [this] { return !GroupBox_Favorite->isHidden(); };
    Refresh->DetailsVisible = [this] { return !Panel_ServerInfo->isHidden(); };
    Refresh->ResultsCounted = [this] {
        if (!SearchResultsModel)
            return;
        const QString caption =
            ToQ(SearchResultsCaption(static_cast<size_t>(SearchResultsModel->rowCount())));
        if (Panel_Server->title() != caption)
            SetCaption(Panel_Server, caption);
    };
    // QueryDetails is wired to the details once both exist (constructor).

    // The controller goes before the window's controls (StopWorkers), hence the checks.
    connect(ToolButton_RefreshList, &QToolButton::clicked, this, [this] {
        if (Refresh)
            Refresh->Button_RefreshListClick();
    });
    connect(ToolButton_Auto, &QToolButton::toggled, this, [this](bool pressed) {
        if (Refresh)
            Refresh->ToolButton_AutoClick(pressed);
    });
    connect(Timer_RefreshServer, &QTimer::timeout, this, [this] {
        if (Refresh)
            Refresh->Timer_RefreshServerTimer();
    });
    connect(PageControl_Info, &QTabWidget::currentChanged, this, [this] {
        if (Refresh)
            Refresh->PageControl_InfoTabActive();
    });
    new CloseWatch(this, [this] {
        if (Refresh)
            Refresh->StopAll();
    });

    Hooks.StartRefresh = [this] {
        if (Refresh)
            Refresh->StartRefresh();
    };
    Hooks.StopContinuousRefresh = [this] {
        if (Refresh)
            Refresh->RequestStop();
    };
    // Passes send through NMUDP2 and write the rows: gone before either is freed.
    Hooks.StopWorkers = [this, previous = Hooks.StopWorkers] {
        if (previous)
            previous();
        Refresh.reset();
    };
}

void TForm1::ConnectRefreshEndpoint() {
    if (!NMUDP2)
        return;
    NMUDP2->OnDataReceived = [this](TNMUDP& sender, int numberBytes, const std::string& fromIP,
                                    int port) {
        if (Refresh)
            Refresh->NMUDP2DataReceived(sender, numberBytes, fromIP, port);
    };
}
