// The tray icon and the small window commands wired into the main window: TrayIcon1 with
// its menu PopupMenu1, Timer_IconChange, minimise to the tray and restore, Help and
// About. The rules live in TrayController; this file only maps controls to its calls.
#include "TForm1.h"

#include "Application.h"
#include "SearchController.h"
#include "SettingsFolder.h"
#include "TAboutBox.h"
#include "TForm_Warnning.h"
#include "TrayController.h"

#include <QAction>
#include <QDesktopServices>
#include <QEvent>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <functional>

namespace {

// TrayIcon1 as the tray logic sees it.
class QtTrayIcon : public TrayIcon {
public:
    QtTrayIcon(QSystemTrayIcon* icon, const ImageList& images) : Icon(icon), Images(images) {}
    bool Available() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }
    void SetVisible(bool visible) override { Icon->setVisible(visible); }
    void SetImage(int image) override {
        if (image >= 0 && image < Images.size())
            Icon->setIcon(Images[image]);
    }

private:
    QSystemTrayIcon* Icon;
    const ImageList& Images;
};

// A minimise asked by the system while the icon is shown goes to the tray instead.
class MinimizeWatch : public QObject {
public:
    MinimizeWatch(QWidget* window, std::function<void()> onMinimized)
        : QObject(window), Window(window), OnMinimized(std::move(onMinimized)) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::WindowStateChange && Window->isMinimized())
            OnMinimized();
        return false;
    }

private:
    QWidget* Window;
    std::function<void()> OnMinimized;
};

} // namespace

void TForm1::BuildTray() {
    TrayIcon1 = new QSystemTrayIcon(ImageList3[TrayController::NormalImage], this);
    TrayIcon1->setObjectName(QStringLiteral("TrayIcon1"));
    TrayIcon1->setToolTip(QStringLiteral("Quarrix1.6.0"));
    TrayIcon1->setContextMenu(PopupMenu1);
    TrayIcon1Adapter = std::make_unique<QtTrayIcon>(TrayIcon1, ImageList3);
    Tray = std::make_unique<TrayController>(*TrayIcon1Adapter);
    Tray->Busy = [this] {
        BusyState busy;
        busy.Searching = Search && Search->Searching();
        busy.SearchPaused = Search && Search->SearchPaused();
        busy.AutoRefreshOn = Browser.AutoRefreshOn;
        busy.AutoJoinRunning = Timer_AutoJoin->isActive();
        return busy;
    };
    Tray->HideWindow = [this] { hide(); };
    Tray->MinimizeWindow = [this] { showMinimized(); };
    Tray->RestoreWindow = [this] {
        showNormal();
        raise();
        activateWindow();
    };
    Tray->StartBlink = [this] { Timer_IconChange->start(); };
    Tray->StopBlink = [this] { Timer_IconChange->stop(); };
    OpenDocument = [](const QString& path) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };

    connect(TrayIcon1, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick)
                    RestoreFromTray();
            });
    connect(Timer_IconChange, &QTimer::timeout, this, [this] {
        if (Tray)
            Tray->Timer_IconChangeTimer();
    });
    connect(ToolButton_Minimize, &QToolButton::clicked, this, [this] { MinimizeToTray(); });
    connect(Show1, &QAction::triggered, this, [this] { RestoreFromTray(); });
    connect(Readme1, &QAction::triggered, this, [this] { Readme1Click(); });
    for (QAction* about : {About2, Exit3})
        connect(about, &QAction::triggered, this, [this] { AboutClick(); });
    connect(ToolButton_About, &QToolButton::clicked, this, [this] { AboutClick(); });
    new MinimizeWatch(this, [this] {
        if (Tray)
            Tray->SystemMinimize();
    });

    Hooks.MinimizeToTray = [this] { MinimizeToTray(); };
    Hooks.RestoreFromTray = [this] { RestoreFromTray(); };
}

void TForm1::MinimizeToTray() {
    if (Tray)
        Tray->MinimizeToTray();
}

void TForm1::RestoreFromTray() {
    if (Tray)
        Tray->RestoreFromTray();
}

void TForm1::Readme1Click() {
    // A help file of the user's own comes first, then the one shipped with the program.
    const std::string path = FindHelpFile(StartDirectory, ExecutableFolder());
    if (path.empty()) {
        ShowWarning(MessageTable[MsgNoHelpFile], MessageTable[MsgNotice]);
        return;
    }
    if (OpenDocument)
        OpenDocument(QString::fromLocal8Bit(path));
}

void TForm1::AboutClick() {
    if (AboutBox)
        AboutBox->ShowModal();
}
