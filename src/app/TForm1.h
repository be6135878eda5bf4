#pragma once

#include "BrowserModel.h"
#include "Icons.h"
#include "MessageTable.h"
#include "ServerTreeView.h"
#include "SettingsStore.h"

#include <QMainWindow>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class PortPanel;
class QAction;
class QComboBox;
class QFileDialog;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QMouseEvent;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSplitter;
class QSplitterHandle;
class QTabWidget;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeView;
class QTreeWidget;
class RefreshController; // refresh
class DetailsController;
class FavoriteListModel;
class LanSearch;
class ListOperations;
class SearchController;
class ServerIntake;
class ServerListModel;
class TForm_Options;
class TNMUDP;
class AutoJoinController; // launch, auto-join and tray
class LaunchController;
class QSystemTrayIcon;
class TrayController;
class TrayIcon;

// What the other subsystems plug into the main window's life cycle. An empty hook is
// skipped, so the window runs with whatever subsystems are wired.
struct MainWindowHooks {
    std::function<void()> MinimizeToTray;        // first show, step 1
    std::function<void()> RestoreFromTray;       // first show, last step
    std::function<std::string()> ReadPlayerName; // GBK name; empty when none can be read
    std::function<void()> LoadFavoritesFiles;    // first show: favorite46/47/00.dat
    std::function<void()> RebuildFavoritesView;  // first show and the options dialog's OK
    std::function<void()> StartRefresh;          // first show, when Favorite/Synchronize is "1"
    std::function<void()> StopContinuousRefresh; // close, step 1
    std::function<std::vector<int>()> PortList;  // the scan's port list, for every save
    std::function<std::vector<std::string>()> SaveFavoritesFiles; // close: the files not saved
    std::function<void()> CopyFavoritesToGame;                    // close, last step
    std::function<void()> StopWorkers; // destruction, before any member is freed
};

// The main window: every control of the layout as a public member named like its
// objectName, the data model shared by the subsystems, and the first-show, close and
// destruction sequences.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int DesignLeft = 101, DesignTop = 125, DesignWidth = 895, DesignHeight = 602;
    static constexpr int DesignServerInfoWidth = 219, DesignFavoriteHeight = 289;

    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    MainWindowHooks Hooks;
    // The options dialog, which owns the settings record the program obeys and saves the
    // settings; set by the start-up right after it is created.
    TForm_Options* Options = nullptr;
    // A text slot of that record; "" while there is none.
    const std::string& Setting(SettingsSlot slot) const;

    // First show: window state, range and ports, player name, favorites, refresh.
    void FormShow();
    // Close: stop refreshing, timers off, save settings, write and copy favorites, then one
    // box naming every file that could not be saved.
    void FormClose();
    // The values a settings save takes from the window.
    MainWindowValues MainValues() const;

    // Layout switches; the same effect from the tool buttons and the menu items.
    void SetFavoritePanelVisible(bool visible);
    void SetServerInfoPanelVisible(bool visible);
    void ToolButton_FavoriteClick();
    void ToolButton_ServerInfoClick();
    void M1Click();
    void M2Click();
    // Opens the options dialog and returns at once; the dialog stays application modal.
    void OpenOptions();
    // Applies WindowStates from the record when RemWindowStates is "1".
    void RestoreWindowState();
    void SetStayOnTop(bool onTop);
    // The available areas of the screens, the primary one first.
    static QList<QRect> ScreenAreas();
    // Reads the player name through the hook and shows it, or "unamed" with the box off.
    void ApplyPlayerName();
    // Range edits and the port list box from the record, then the port panel collapses.
    void RestoreRangeAndPorts();
    // The four datagram endpoints on their fixed local ports (the running program only).
    void CreateEndpoints();
    // Hands NMUDP1's answers to the intake, NMUDP0's to the details, once each endpoint
    // exists (tests bind them to ports of the system's choosing).
    void ConnectEndpoints();
    void ConnectDetailsEndpoint();

    // ---- discovery: range, ports, scan and intake ----
    void Edit_FromIPChange();
    // Starts, pauses or continues the scan by state; also run by Enter in the range boxes.
    void Button_BeginClick();
    void Button_StopClick();
    void Memo_SearchLogDblClick();
    void Button_AddPortClick();
    void Button_DelPortClick();
    // The port panel folded: PortList and the summary from the list box.
    void ComboBox_PortPush();
    // Manual add from the two quick boxes; also run by Enter in them.
    void suiButton_AddServerClick();

    // The column widths of a server view; a new row model resets them.
    static void ApplyServerColumnWidths(QTreeView* view);

    int ServerInfoWidth() const;
    int FavoriteHeight() const;
    void SetServerInfoWidth(int width);
    void SetFavoriteHeight(int height);

    // ---- data model ----
    // The lists, details and sort state the subsystems share; the controllers get it
    // from the window, the scan's own state is read from Search.
    BrowserModel& Model() { return Browser; }
    const BrowserModel& Model() const { return Browser; }
    std::vector<int32_t> PortList; // the port list box's ports, as the scan and the save use them
    std::string StartDirectory;    // the settings folder: Quarrix.ini, favorites, text lists
    const ::MessageTable MessageTable;

private:
    // Declared before the view models and controllers that hold on to it, so freed after.
    BrowserModel Browser;

public:
    // ---- non-visual components ----
    ImageList ImageList1, ImageList2, ImageList3, ImageList4;
    QTimer* Timer_RefreshServer = nullptr;
    QTimer* Timer_AutoJoin = nullptr;
    QTimer* Timer_IconChange = nullptr;
    QFileDialog* OpenDialog1 = nullptr;
    QFileDialog* OpenDialog2 = nullptr;
    QFileDialog* SaveDialog1 = nullptr;
    std::unique_ptr<TNMUDP> NMUDP0, NMUDP1, NMUDP2, NMUDP3;

    // ---- discovery; declared after the rows and endpoints they use, so freed first ----
    std::unique_ptr<ServerListModel> SearchResultsModel; // rows of ListView_Server
    std::unique_ptr<ServerIntake> Intake;                // answers of NMUDP1 and manual adds
    std::unique_ptr<SearchController> Search;            // the scan's worker and its bridge
    std::unique_ptr<LanSearch> Lan;                      // "search the LAN" by broadcast
    // The tool button and the menu item of the LAN search (also Ctrl+L).
    void SearchLan1Click();
    // A first run's range (the machine's own network) and ports, into empty boxes.
    void ApplyFirstRunSearchDefaults();

    // ---- refresh: passes over both lists, continuous mode, NMUDP2's answers ----
    std::unique_ptr<RefreshController> Refresh;
    void BuildRefresh();
    // Hands NMUDP2's answers to the refresh once the endpoint exists.
    void ConnectRefreshEndpoint();
    // ---- views and details: the favorites view, sorting, the picked server's details ----
    std::unique_ptr<FavoriteListModel> FavoritesModel; // rows of ListView_Favorite
    std::unique_ptr<DetailsController> Details;        // NMUDP0's details query
    void RebuildFavoritesView();
    // Header clicks; the same from the mouse or from code.
    void ListView_ServerColumnClick(int column);
    void ListView_FavoriteColumnClick(int column);
    void ListView_PlayersInfoColumnClick(int column);
    void ListView_RulesInfoColumnClick(int column);
    // A double click on a detail list empties it.
    void ListView_PlayersInfoDblClick();
    void ListView_RulesInfoDblClick();
    // ---- list operations, text lists, favorites files and the player name ----
    std::unique_ptr<ListOperations> Lists;
    // The selected rows of a server view, ascending, once the view has every change.
    std::vector<int> SelectedRows(QTreeView* view) const;
    void ToolButton_AddToFavoriteClick();
    void ToolButton_AddToServerClick();
    void ToolButton_DeleteServerClick();
    void ToolButton_CopyToClipboardClick();
    void P6Click();
    void Q7Click();
    void N16Click(); // export the search results
    void N18Click(); // export the favorites
    void N7Click();  // import into the search results
    void N13Click(); // import into the favorites
    // Delete, Ctrl+A, Ctrl+C and Enter in a server view; true for a key taken here.
    bool ListView_ServerKeyDown(QKeyEvent* event);
    bool ListView_FavoriteKeyDown(QKeyEvent* event);
    void ListView_ServerMouseDown(QMouseEvent* event);
    void ListView_FavoriteMouseDown(QMouseEvent* event);
    // Enables the items of a context menu by its view's selection, then shows it.
    void PopupMenu2Popup(const QPoint& at);
    void PopupMenu3Popup(const QPoint& at);
    // The player name of the first present game into every present game's config.cfg.
    void Button_SetNameClick();
    // A game's favsvrs.dat picked in the options dialog, read into the favorites.
    void LoadGameFavorites(const std::string& path, const std::string& tag);

    // ---- launch, auto-join and tray ----
    std::unique_ptr<LaunchController> Launch;     // the join and the game's start
    std::unique_ptr<AutoJoinController> AutoJoin; // Timer_AutoJoin and NMUDP3's replies
    std::unique_ptr<TrayIcon> TrayIcon1Adapter;   // TrayIcon1 as the tray logic sees it
    std::unique_ptr<TrayController> Tray;         // minimise to the tray, blink, restore
    QSystemTrayIcon* TrayIcon1 = nullptr;
    // Joins the selected row of either list; nothing without one (menu items, keys).
    void JoinSelectedServer();
    // Takes the selected row of `view` (ListView_Server or ListView_Favorite) as the
    // auto-join target and starts waiting for it.
    void StartAutoJoin(QTreeView* view);
    void StopAutoJoin();
    // The join button: a message when no row is selected, otherwise the join.
    void BitBtn_JoinClick();
    // The row the join takes: the first selected one of the results, else of the favorites.
    std::optional<ServerStructure> SelectedServer() const;
    // The lowest selected row of a view, once the view has every change.
    std::optional<int> FirstSelectedRow(QTreeView* view) const;
    void MinimizeToTray();
    void RestoreFromTray();
    // Help: readme.txt of the start directory in the system's viewer, or entry 20.
    void Readme1Click();
    void AboutClick();
    // Opens a document with the program the desktop associates with it; tests replace it.
    std::function<void(const QString& path)> OpenDocument;
    // Hands NMUDP3's datagrams to the auto-join once the endpoint exists.
    void ConnectAutoJoinEndpoint();
    void BuildLaunch();
    void BuildTray();

    // ---- main menu ----
    QMenu* Menu_File = nullptr;
    QMenu* Menu_Import = nullptr;
    QMenu* Menu_Export = nullptr;
    QMenu* Menu_Options = nullptr;
    QMenu* Menu_Help = nullptr;
    QAction *N7 = nullptr, *N13 = nullptr, *N16 = nullptr, *N18 = nullptr, *Exit2 = nullptr;
    QAction *M1 = nullptr, *M2 = nullptr, *Options1 = nullptr;
    QAction *Readme1 = nullptr, *About2 = nullptr;
    QAction* SearchLan1 = nullptr; // first in Menu_File

    // ---- context menus ----
    QMenu* PopupMenu1 = nullptr; // tray icon
    QAction *Show1 = nullptr, *Show2 = nullptr, *Exit3 = nullptr, *N9 = nullptr, *Exit4 = nullptr;
    QMenu* PopupMenu2 = nullptr; // ListView_Server
    QAction *P1 = nullptr, *P2 = nullptr, *P3 = nullptr, *P4 = nullptr, *P5 = nullptr,
            *P6 = nullptr, *N25 = nullptr, *N26 = nullptr;
    QMenu* PopupMenu3 = nullptr; // ListView_Favorite
    QAction *Q1 = nullptr, *Q2 = nullptr, *Q3 = nullptr, *Q4 = nullptr, *Q6 = nullptr,
            *Q7 = nullptr, *Q8 = nullptr, *Q9 = nullptr;
    QMenu* PopupMenu4 = nullptr; // export tool button
    QAction *N19 = nullptr, *N23 = nullptr;
    QMenu* PopupMenu5 = nullptr; // import tool button
    QAction *MenuItem1 = nullptr, *MenuItem3 = nullptr;

    // ---- tool bar ----
    QToolBar* suiToolBar1 = nullptr;
    QToolButton *ToolButton_SaveFavorite = nullptr, *ToolButton_OpenFile = nullptr;
    QToolButton *ToolButton_RefreshList = nullptr, *ToolButton_Auto = nullptr;
    QToolButton *ToolButton_DeleteServer = nullptr, *ToolButton_AddToFavorite = nullptr;
    QToolButton *ToolButton_AddToServer = nullptr, *ToolButton_CopyToClipboard = nullptr;
    QToolButton *ToolButton_Favorite = nullptr, *ToolButton_ServerInfo = nullptr;
    QToolButton* ToolButton_Options = nullptr;
    QToolButton* ToolButton_SearchLan = nullptr;
    QToolButton *ToolButton_Minimize = nullptr, *ToolButton_About = nullptr;
    QToolButton* ToolButton_Exit = nullptr;
    QWidget* Panel1 = nullptr;
    QLabel* Label_ID = nullptr;
    QComboBox* Edit_CSName = nullptr;
    QToolButton* Button_SetName = nullptr;

    // ---- left column ----
    QWidget* suiImagePanel1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLineEdit *Edit_FromIP = nullptr, *Edit_ToIP = nullptr, *Edit_Ports = nullptr;
    PortPanel* ComboBox_Port = nullptr;
    QLineEdit* Edit_Port = nullptr;
    QToolButton *Button_AddPort = nullptr, *Button_DelPort = nullptr;
    QListWidget* ListBox_Ports = nullptr;
    QPlainTextEdit* Memo_SearchLog = nullptr;
    QPushButton *Button_Begin = nullptr, *Button_Stop = nullptr;
    QPushButton* BitBtn_Join = nullptr;
    QGroupBox* suiGroupBox2 = nullptr;
    QComboBox *ComboBox_QuickServerIP = nullptr, *ComboBox_QuickServerPort = nullptr;
    QPushButton* suiButton_AddServer = nullptr;

    // ---- centre ----
    QSplitter* Splitter_Main = nullptr;   // Panel_Main | Panel_ServerInfo
    QSplitterHandle* Splitter3 = nullptr; // the bar left of the details panel
    QWidget* Panel_Main = nullptr;
    QSplitter* Splitter_Centre = nullptr; // Panel_Server over GroupBox_Favorite
    QSplitterHandle* Splitter1 = nullptr;
    QGroupBox* Panel_Server = nullptr;
    ServerTreeView* ListView_Server = nullptr;
    QGroupBox* suiGroupBox5 = nullptr;
    QToolBar* suiToolBar2 = nullptr;
    QToolButton* ToolButton_AutoJoin = nullptr;
    QLineEdit *Edit_Auto1 = nullptr, *Edit_Auto2 = nullptr, *Edit_Auto3 = nullptr;
    QGroupBox* GroupBox_Favorite = nullptr;
    ServerTreeView* ListView_Favorite = nullptr;

    // ---- details panel ----
    QWidget* Panel_ServerInfo = nullptr;
    QTabWidget* PageControl_Info = nullptr;
    QWidget *TabSheet_Basic = nullptr, *TabSheet_Players = nullptr, *TabSheet_Rules = nullptr;
    QLineEdit *SS0 = nullptr, *SS1 = nullptr, *SS2 = nullptr, *SS3 = nullptr, *SS4 = nullptr,
              *SS5 = nullptr, *SS6 = nullptr, *SS7 = nullptr, *SS8 = nullptr, *SS9 = nullptr,
              *SS10 = nullptr, *SS11 = nullptr, *SS12 = nullptr, *SS13 = nullptr, *SS14 = nullptr,
              *SS15 = nullptr, *SS16 = nullptr, *SS17 = nullptr;
    // SS[i] is the box named SSi; SS18..SS22 tell what the binary dialect adds (the
    // dialect, bots, OS, VAC and the server's version).
    std::array<QLineEdit*, 23> SS{};
    QLabel *Image1 = nullptr, *Image2 = nullptr; // the two glyphs of Button_Begin (hidden)
    QTreeWidget *ListView_PlayersInfo = nullptr, *ListView_RulesInfo = nullptr;

    // ---- status strip ----
    QProgressBar *ProgressBar_Search = nullptr, *ProgressBar_RefreshList = nullptr;
    QWidget* suiGroupBox3 = nullptr;
    QLabel *Image4 = nullptr, *Image6 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void BuildToolBar();
    void BuildLeftColumn(QWidget* parent);
    void BuildSearchGroup();
    void BuildCentre(QWidget* parent);
    void BuildDetailsPanel(QWidget* parent);
    void BuildBasicPage();
    QWidget* BuildStatusStrip(QWidget* parent);
    void BuildNonVisual();
    void ConnectSwitches();
    void BuildDiscovery();
    void BuildLanSearch();
    void UpdateLanSearchEnabled();
    // details
    void BuildViews();
    void BuildListOperations();
    void BuildFiles();
    void BuildDetails();

    bool FirstShowPending = true;
    bool LaidOut = false; // the panels hold real sizes only after the first layout
    int RequestedServerInfoWidth = DesignServerInfoWidth;
    int RequestedFavoriteHeight = DesignFavoriteHeight;
};

// The process-wide main window; workers reach the window only through the UI bridge.
extern TForm1* Form1;

// The folder of the running executable, in the system's encoding.
std::string ExecutableFolder();
