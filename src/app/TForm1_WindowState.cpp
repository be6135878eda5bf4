// The layout switches of the main window, its stay-on-top style, the restore of its last
// state at start-up and the values a settings save takes from it.
#include "TForm1.h"

#include "ServerList.h"
#include "TForm_Options.h"
#include "WidgetText.h"
#include "WindowGeometry.h"

#include <QAction>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QSignalBlocker>
#include <QSplitter>
#include <QToolButton>

#include <algorithm>

void TForm1::ConnectSwitches() {
    // The switches follow the check state however it changes: mouse, keyboard, an
    // accessibility action or code.
    connect(ToolButton_Favorite, &QToolButton::toggled, this, &TForm1::SetFavoritePanelVisible);
    connect(ToolButton_ServerInfo, &QToolButton::toggled, this, &TForm1::SetServerInfoPanelVisible);
    connect(M1, &QAction::toggled, this, &TForm1::SetFavoritePanelVisible);
    connect(M2, &QAction::toggled, this, &TForm1::SetServerInfoPanelVisible);
    connect(ToolButton_Options, &QToolButton::clicked, this, &TForm1::OpenOptions);
    connect(Options1, &QAction::triggered, this, &TForm1::OpenOptions);
    connect(ToolButton_Exit, &QToolButton::clicked, this, &QWidget::close);
    connect(Exit2, &QAction::triggered, this, &QWidget::close);
    connect(Exit4, &QAction::triggered, this, &QWidget::close);
}

void TForm1::OpenOptions() {
    if (!Options)
        return;
    // Shown without a nested event loop, so whoever pressed the button (an accessibility
    // action included) gets control back at once; the dialog is application modal still,
    // and its own buttons apply or drop the edits when it closes.
    if (Options->isVisible()) {
        Options->raise();
        Options->activateWindow();
        return;
    }
    Options->show();
}

void TForm1::ToolButton_FavoriteClick() {
    SetFavoritePanelVisible(ToolButton_Favorite->isChecked());
}

void TForm1::ToolButton_ServerInfoClick() {
    SetServerInfoPanelVisible(ToolButton_ServerInfo->isChecked());
}

void TForm1::M1Click() {
    M1->trigger();
}

void TForm1::M2Click() {
    M2->trigger();
}

void TForm1::SetFavoritePanelVisible(bool visible) {
    if (!visible && LaidOut && !GroupBox_Favorite->isHidden())
        RequestedFavoriteHeight = GroupBox_Favorite->height();
    GroupBox_Favorite->setVisible(visible);
    Splitter1->setVisible(visible);
    ToolButton_AddToFavorite->setEnabled(visible);
    ToolButton_AddToServer->setEnabled(visible);
    {
        // The other switch of the pair shows the same state without switching again.
        const QSignalBlocker menu(M1);
        const QSignalBlocker button(ToolButton_Favorite);
        M1->setChecked(visible);
        ToolButton_Favorite->setChecked(visible);
    }
    if (visible)
        SetFavoriteHeight(RequestedFavoriteHeight);
}

void TForm1::SetServerInfoPanelVisible(bool visible) {
    if (!visible && LaidOut && !Panel_ServerInfo->isHidden())
        RequestedServerInfoWidth = Panel_ServerInfo->width();
    Panel_ServerInfo->setVisible(visible);
    Splitter3->setVisible(visible);
    {
        const QSignalBlocker menu(M2);
        const QSignalBlocker button(ToolButton_ServerInfo);
        M2->setChecked(visible);
        ToolButton_ServerInfo->setChecked(visible);
    }
    if (visible)
        SetServerInfoWidth(RequestedServerInfoWidth);
}

int TForm1::ServerInfoWidth() const {
    return LaidOut && !Panel_ServerInfo->isHidden() ? Panel_ServerInfo->width()
                                                    : RequestedServerInfoWidth;
}

int TForm1::FavoriteHeight() const {
    return LaidOut && !GroupBox_Favorite->isHidden() ? GroupBox_Favorite->height()
                                                     : RequestedFavoriteHeight;
}

void TForm1::SetServerInfoWidth(int width) {
    RequestedServerInfoWidth = width;
    if (Panel_ServerInfo->isHidden())
        return;
    const QList<int> sizes = Splitter_Main->sizes();
    const int total = std::max(sizes.value(0) + sizes.value(1),
                               Splitter_Main->width() - Splitter_Main->handleWidth());
    Splitter_Main->setSizes({std::max(0, total - width), width});
}

void TForm1::SetFavoriteHeight(int height) {
    RequestedFavoriteHeight = height;
    if (GroupBox_Favorite->isHidden())
        return;
    const QList<int> sizes = Splitter_Centre->sizes();
    const int total = std::max(sizes.value(0) + sizes.value(1),
                               Splitter_Centre->height() - Splitter_Centre->handleWidth());
    Splitter_Centre->setSizes({std::max(0, total - height), height});
}

void TForm1::RestoreWindowState() {
    if (Setting(SlotRemWindowStates) != "1")
        return;
    // Values that are not whole numbers keep the design geometry; the start goes on.
    const auto left = ParseInt32(Setting(SlotMainPosX));
    const auto top = ParseInt32(Setting(SlotMainPosY));
    const auto width = ParseInt32(Setting(SlotMainWidth));
    const auto height = ParseInt32(Setting(SlotMainHeight));
    if (left && top && width && height && *width > 0 && *height > 0) {
        // Hand-edited or stale values (a screen since removed) must not leave the window
        // where it cannot be reached; the close would write them back otherwise.
        const QRect used = ReachableGeometry(QRect(*left, *top, *width, *height), ScreenAreas());
        move(used.topLeft());
        resize(used.size());
    }
    // Releasing a switch button hides its panel through the button's toggle.
    if (Setting(SlotPanelServerInfoVisible) == "0")
        ToolButton_ServerInfo->setChecked(false);
    if (Setting(SlotGroupBoxFavoriteVisible) == "0")
        ToolButton_Favorite->setChecked(false);
    if (const auto w = ParseInt32(Setting(SlotPanelServerInfoWidth)); w && *w >= 0)
        SetServerInfoWidth(*w);
    if (const auto h = ParseInt32(Setting(SlotGroupBoxFavoriteHeight)); h && *h >= 0)
        SetFavoriteHeight(*h);
}

QList<QRect> TForm1::ScreenAreas() {
    QList<QRect> areas;
    // The primary screen first: a window that overlaps no screen goes there.
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        areas << primary->availableGeometry();
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != QGuiApplication::primaryScreen())
            areas << screen->availableGeometry();
    return areas;
}

void TForm1::SetStayOnTop(bool onTop) {
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    // Changing the flags of a shown window hides it.
    if (shown)
        show();
}

MainWindowValues TForm1::MainValues() const {
    MainWindowValues v;
    v.FromIP = FromQ(Edit_FromIP->text());
    v.ToIP = FromQ(Edit_ToIP->text());
    if (Hooks.PortList)
        v.Ports = Hooks.PortList();
    else
        v.Ports.assign(PortList.begin(), PortList.end());
    v.Left = x();
    v.Top = y();
    v.Width = width();
    v.Height = height();
    v.ServerInfoVisible = !Panel_ServerInfo->isHidden();
    v.FavoriteVisible = !GroupBox_Favorite->isHidden();
    v.ServerInfoWidth = ServerInfoWidth();
    v.FavoriteHeight = FavoriteHeight();
    return v;
}
