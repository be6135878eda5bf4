// "Search the LAN" wired into the main window: a tool button and a menu item for the
// search of the discovery library, and the first run's range and ports. The search's
// rules live in LanSearch and LanRange; this file only moves texts and states.
#include "TForm1.h"

#include "Icons.h"
#include "LanRange.h"
#include "LanSearch.h"
#include "NetworkInterfaces.h"
#include "PortPanel.h"
#include "SearchController.h"
#include "ServerIntake.h"
#include "TForm_Warnning.h"
#include "WidgetText.h"

#include <QAction>
#include <QKeySequence>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QToolBar>
#include <QToolButton>

void TForm1::BuildLanSearch() {
    const QString caption = QStringLiteral("搜索局域网");
    const QKeySequence shortcut(Qt::CTRL | Qt::Key_L);
    const QString hint = caption + QStringLiteral(" (") +
                         shortcut.toString(QKeySequence::NativeText) + QStringLiteral(")");

    SearchLan1 = new QAction(ImageList1[ImgSearchLan], caption, this);
    SearchLan1->setObjectName(QStringLiteral("SearchLan1"));
    SearchLan1->setShortcut(shortcut);
    SearchLan1->setToolTip(hint);
    // First in the file menu, where the other ways to fill the search results are.
    QAction* first = Menu_File->actions().value(0);
    Menu_File->insertAction(first, SearchLan1);
    Menu_File->insertSeparator(first);

    ToolButton_SearchLan = new QToolButton(suiToolBar1);
    ToolButton_SearchLan->setObjectName(QStringLiteral("ToolButton_SearchLan"));
    ToolButton_SearchLan->setIcon(ImageList1[ImgSearchLan]);
    ToolButton_SearchLan->setIconSize(QSize(24, 24));
    ToolButton_SearchLan->setFixedSize(31, 30);
    ToolButton_SearchLan->setAutoRaise(true);
    ToolButton_SearchLan->setAccessibleName(caption);
    Hint(ToolButton_SearchLan, hint);
    // Beside the refresh buttons: both ask servers without a range.
    const QList<QAction*> tools = suiToolBar1->actions();
    QAction* before = nullptr;
    for (qsizetype i = 0; i + 1 < tools.size(); ++i)
        if (suiToolBar1->widgetForAction(tools[i]) == ToolButton_Auto)
            before = tools[i + 1];
    suiToolBar1->insertWidget(before, ToolButton_SearchLan);

    connect(SearchLan1, &QAction::triggered, this, [this] { SearchLan1Click(); });
    connect(ToolButton_SearchLan, &QToolButton::clicked, this, [this] { SearchLan1Click(); });

    Lan = std::make_unique<LanSearch>(Browser, *Intake);
    Lan->ScanRunning = [this] { return Search && Search->State() != SearchState::Idle; };
    Lan->RunningChanged = [this](bool) { UpdateLanSearchEnabled(); };
    Lan->LogLine = [this](const std::string& line) { Memo_SearchLog->appendPlainText(ToQ(line)); };
    Lan->ShowMessage = [this](int message, int caption) {
        ShowWarning(MessageTable[message], MessageTable[caption]);
    };
    // Binary answers of the LAN's servers are taken like those of the scanned range.
    Intake->Asked = [this, scanned = Intake->Asked](const std::string& host, int port) {
        return (scanned && scanned(host, port)) || (Lan && Lan->Covers(host, port));
    };
    // Not while a scan runs: its log and its answers would mix with the search's.
    Search->StateChanged = [this, show = Search->StateChanged](const SearchViewState& view) {
        if (show)
            show(view);
        UpdateLanSearchEnabled();
    };
    UpdateLanSearchEnabled();
}

void TForm1::UpdateLanSearchEnabled() {
    const bool enabled =
        Lan && !Lan->Running() && (!Search || Search->State() == SearchState::Idle);
    SearchLan1->setEnabled(enabled);
    ToolButton_SearchLan->setEnabled(enabled);
}

void TForm1::SearchLan1Click() {
    if (Lan)
        Lan->Start(PortList);
}

void TForm1::ApplyFirstRunSearchDefaults() {
    // Only into empty boxes: a settings file lost while the program runs must not take
    // what the user typed.
    if (Edit_FromIP->text().isEmpty() && Edit_ToIP->text().isEmpty())
        if (const auto range = FirstRunRange(CurrentNetworkInterfaces())) {
            Edit_FromIP->setText(ToQ(range->From));
            Edit_ToIP->setText(ToQ(range->To));
        }
    // The list box holds its design items until the first show; the scan's list is what
    // a save writes.
    if (PortList.empty()) {
        ListBox_Ports->clear();
        for (const std::string& port : FirstRunPorts())
            ListBox_Ports->addItem(ToQ(port));
        ComboBox_PortPush();
    }
}
