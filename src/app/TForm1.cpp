#include "TForm1.h"

#include "Accessibility.h"
#include "AutoJoinController.h"
#include "DetailsController.h"
#include "FavoriteListModel.h"
#include "FileMessages.h"
#include "LanSearch.h"
#include "LaunchController.h"
#include "ListOperations.h"
#include "PortPanel.h"
#include "RefreshController.h"
#include "SearchController.h"
#include "ServerIntake.h"
#include "ServerListModel.h"
#include "SettingsFolder.h"
#include "TForm_Options.h"
#include "TForm_Warnning.h"
#include "TNMUDP.h"
#include "TrayController.h"
#include "WidgetText.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>

#include <filesystem>

TForm1* Form1 = nullptr;

namespace {

// Qt's own overflow menus of a narrow menu bar and tool bar are reachable as well; some
// are made only when the window is first laid out.
void NameOverflowMenus(QWidget* window) {
    for (QMenu* menu : window->findChildren<QMenu*>())
        if (menu->accessibleName().isEmpty())
            menu->setAccessibleName(QStringLiteral("更多"));
}

} // namespace

std::string ExecutableFolder() {
    return QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
}

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
    if (!Form1)
        Form1 = this;
    // Before the first combo box exists, so each is named by its label.
    InstallAccessibleNames();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Quarrix  V1.6.0"));
    setFont(UiFont());
    setWindowIcon(AppIcon());
    // Own files live in the settings folder: the start folder of a portable copy, the
    // user's configuration folder for an installed program started from anywhere.
    std::error_code ec;
    StartDirectory = SettingsFolderOfProcess(std::filesystem::current_path(ec).string(),
                                             ExecutableFolder(), QUARRIX_INSTALL_BINDIR);

    ImageList1 = MakeImageList1();
    ImageList2 = MakeImageList2();
    ImageList3 = MakeImageList3();
    ImageList4 = MakeImageList4();
    BuildNonVisual();
    BuildMenus();
    BuildToolBar();
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("suiForm1"));
    setCentralWidget(central);
    BuildLeftColumn(central);
    BuildCentre(central);
    BuildDetailsPanel(central);
    // Left column docked left, the centre and the details panel share the rest; the status
    // strip runs along the bottom.
    auto* rows = new QVBoxLayout(central);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(2);
    auto* columns = new QHBoxLayout;
    columns->setContentsMargins(2, 0, 2, 0);
    columns->setSpacing(2);
    columns->addWidget(suiImagePanel1);
    columns->addWidget(Splitter_Main, 1);
    rows->addLayout(columns, 1);
    rows->addWidget(BuildStatusStrip(central));
    ConnectSwitches();
    BuildDiscovery();
    BuildLanSearch();
    BuildRefresh();
    BuildViews();
    BuildDetails();
    BuildListOperations();
    BuildFiles();
    BuildLaunch();
    // A pass ends with a details query of the picked server.
    Refresh->QueryDetails = [this](const std::string& address) { Details->QueryDetails(address); };
    NameOverflowMenus(this);

    setMinimumWidth(130);
    move(DesignLeft, DesignTop);
    resize(DesignWidth, DesignHeight);
}

TForm1::~TForm1() {
    // Workers reach the window's members; they must be gone before anything is freed.
    if (Hooks.StopWorkers)
        Hooks.StopWorkers();
    if (Form1 == this)
        Form1 = nullptr;
}

const std::string& TForm1::Setting(SettingsSlot slot) const {
    static const std::string none;
    return Options ? Options->IniStructure[slot] : none;
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!FirstShowPending)
        return;
    FirstShowPending = false;
    // The splitters share out space only once laid out; give the panels their sizes now.
    LaidOut = true;
    SetServerInfoWidth(RequestedServerInfoWidth);
    SetFavoriteHeight(RequestedFavoriteHeight);
    NameOverflowMenus(this);
    FormShow();
}

void TForm1::FormShow() {
    if (Hooks.MinimizeToTray)
        Hooks.MinimizeToTray();
    RestoreWindowState();
    RestoreRangeAndPorts();
    ApplyPlayerName();
    if (Hooks.LoadFavoritesFiles)
        Hooks.LoadFavoritesFiles();
    if (Hooks.RebuildFavoritesView)
        Hooks.RebuildFavoritesView();
    if (Setting(SlotSynchronize) == "1" && Hooks.StartRefresh)
        Hooks.StartRefresh();
    if (Hooks.RestoreFromTray)
        Hooks.RestoreFromTray();
    BitBtn_Join->setFocus();
}

void TForm1::RestoreRangeAndPorts() {
    if (!Options)
        return;
    Edit_FromIP->setText(ToQ(Setting(SlotFromIP)));
    Edit_ToIP->setText(ToQ(Setting(SlotToIP)));
    ListBox_Ports->clear();
    for (const std::string& port : Options->IniStructure.Ports)
        if (!port.empty())
            ListBox_Ports->addItem(ToQ(port));
    ComboBox_Port->Collapse();
}

void TForm1::ApplyPlayerName() {
    const std::string name = Hooks.ReadPlayerName ? Hooks.ReadPlayerName() : std::string();
    const bool known = !name.empty();
    Edit_CSName->setEditText(known ? ToQ(name) : QStringLiteral("unamed"));
    Edit_CSName->setEnabled(known);
    Button_SetName->setEnabled(known);
}

void TForm1::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
    // The program ends here, after the close sequence, and nowhere else (a no-op outside
    // the message loop).
    QCoreApplication::quit();
}

void TForm1::FormClose() {
    if (Browser.AutoRefreshOn) {
        if (Hooks.StopContinuousRefresh)
            Hooks.StopContinuousRefresh();
        Browser.AutoRefreshOn = false;
    }
    Timer_RefreshServer->stop();
    Timer_AutoJoin->stop();
    std::vector<std::string> notSaved;
    if (Options && !Options->SaveSettings())
        notSaved.push_back(Options->SettingsFile);
    if (Hooks.SaveFavoritesFiles)
        for (std::string& path : Hooks.SaveFavoritesFiles())
            notSaved.push_back(std::move(path));
    if (Hooks.CopyFavoritesToGame)
        Hooks.CopyFavoritesToGame();
    // One box for all, after everything that could be saved is: a second box would close
    // by itself as the program quits.
    if (!notSaved.empty())
        ShowWarning(FilesNotSavedMessage(notSaved), MessageTable[MsgError]);
}

void TForm1::CreateEndpoints() {
    NMUDP0 = std::make_unique<TNMUDP>(27000);
    NMUDP1 = std::make_unique<TNMUDP>(27005);
    NMUDP2 = std::make_unique<TNMUDP>(27002);
    NMUDP3 = std::make_unique<TNMUDP>(27003);
    ConnectEndpoints();
    ConnectRefreshEndpoint();
    ConnectDetailsEndpoint();
    ConnectAutoJoinEndpoint();
}
