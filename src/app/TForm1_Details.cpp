// The details panel at the right edge of the main window: the basic page with its
// boxes, the players page and the rules page.
#include "TForm1.h"

#include "EventHook.h"

#include "DetailsController.h"
#include "ListSorting.h"
#include "ServerTreeView.h"
#include "TNMUDP.h"
#include "WidgetText.h"

#include <QEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <exception>
#include <functional>

namespace {

struct DetailRow {
    int Box;
    const char* Caption;
    const char* Unit;
};

// Top to bottom as the page shows them.
constexpr DetailRow DetailRows[DetailsController::BoxCount] = {
    {0, "服务器名称", ""},     {17, "版本", ""},        {22, "服务器版本", ""},
    {18, "协议", ""},          {1, "IP 地址:端口", ""}, {2, "响应时间", "毫秒"},
    {3, "是否需要密码", ""},   {21, "VAC", ""},         {20, "系统", ""},
    {4, "地图", ""},           {5, "人数", ""},         {19, "机器人", ""},
    {16, "人数上限", ""},      {6, "剩余时间", ""},     {7, "起始钱数", ""},
    {8, "地图更换时限", "分"}, {9, "购买时间", "分"},   {10, "冻结时间", "秒"},
    {11, "C4 爆炸时限", "秒"}, {12, "单局时限", "分"},  {13, "是否允许互伤", ""},
    {14, "是否 TK 惩罚", ""},  {15, "下幅地图", ""},
};

QTreeWidget* DetailList(QWidget* parent, const char* name, const QString& caption,
                        const QStringList& headers, const QList<int>& widths) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setAccessibleName(caption);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setHeaderLabels(headers);
    list->header()->setSectionsMovable(false);
    for (int i = 0; i < widths.size(); ++i)
        list->setColumnWidth(i, widths[i]);
    return list;
}

// A row of a detail list that keeps its GBK texts, so the list sorts by their bytes.
class DetailItem : public QTreeWidgetItem {
public:
    DetailItem(std::vector<std::string> texts, bool players)
        : Texts(std::move(texts)), Players(players) {
        for (size_t i = 0; i < Texts.size(); ++i)
            setText(static_cast<int>(i), ToQ(Texts[i]));
    }
    // Qt sorts descending by exchanging the operands, as the lists' rules ask.
    bool operator<(const QTreeWidgetItem& other) const override {
        const auto& that = static_cast<const DetailItem&>(other).Texts;
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        if (Players)
            return ComparePlayersInfo(column, Texts[0], Texts[1], Texts[2], that[0], that[1],
                                      that[2]) < 0;
        return CompareRulesInfo(column, Texts[0], Texts[1], that[0], that[1]) < 0;
    }

private:
    std::vector<std::string> Texts;
    bool Players;
};

// Runs an action on a double click anywhere in a list, rows or empty space.
void OnDoubleClick(QWidget* viewport, std::function<void()> action) {
    new EventHook(viewport, [action = std::move(action)](QEvent* event) {
        if (event->type() != QEvent::MouseButtonDblClick)
            return false;
        action();
        return true;
    });
}

void SortDetailList(QTreeWidget* list, int column, bool ascending) {
    list->sortItems(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

} // namespace

void TForm1::BuildDetails() {
    Details = std::make_unique<DetailsController>(Browser);
    Details->Send = [this](const std::string& host, int port, std::span<const uint8_t> bytes) {
        // Without the endpoint (windows made without sockets) the request is lost.
        if (NMUDP0)
            NMUDP0->SendDatagram(host, port, bytes);
    };
    Details->ResultFilters = [this] {
        if (!Options)
            return std::pair<std::string, std::string>("1", "1");
        return std::pair(Setting(SlotResultFilter1), Setting(SlotResultFilter2));
    };
    DetailsView& view = Details->View;
    view.SetBox = [this](int box, const std::string& text) {
        SS[static_cast<size_t>(box)]->setText(ToQ(text));
    };
    view.SetWindowCaption = [this](const std::string& caption) { setWindowTitle(ToQ(caption)); };
    view.ActivePage = [this] { return PageControl_Info->currentIndex(); };
    view.FillPlayersList = [this](const std::vector<PlayerLine>& players) {
        ListView_PlayersInfo->clear();
        QList<QTreeWidgetItem*> items;
        for (const PlayerLine& p : players) {
            auto* item = new DetailItem({p.Number, p.Name, p.Frags}, true);
            item->setIcon(0, ImageList2[RowPlayer]);
            items << item;
        }
        ListView_PlayersInfo->addTopLevelItems(items);
        SortDetailList(ListView_PlayersInfo, Browser.PlayersSortColumn,
                       Browser.PlayersSortAscending);
    };
    view.FillRulesList = [this](const std::vector<RuleLine>& rules) {
        ListView_RulesInfo->clear();
        QList<QTreeWidgetItem*> items;
        for (const RuleLine& r : rules)
            items << new DetailItem({r.Name, r.Value}, false);
        ListView_RulesInfo->addTopLevelItems(items);
        SortDetailList(ListView_RulesInfo, Browser.RulesSortColumn, Browser.RulesSortAscending);
    };

    for (QTreeWidget* list : {ListView_PlayersInfo, ListView_RulesInfo})
        list->header()->setSectionsClickable(true);
    connect(ListView_PlayersInfo->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { ListView_PlayersInfoColumnClick(column); });
    connect(ListView_RulesInfo->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { ListView_RulesInfoColumnClick(column); });
    // The header sort by keys, and from the lists' own pop-up menus for screen readers.
    AddSortActions(ListView_PlayersInfo, "Menu_SortPlayers",
                   [this](int column) { ListView_PlayersInfoColumnClick(column); });
    AddSortActions(ListView_RulesInfo, "Menu_SortRules",
                   [this](int column) { ListView_RulesInfoColumnClick(column); });
    for (QTreeWidget* list : {ListView_PlayersInfo, ListView_RulesInfo})
        list->setContextMenuPolicy(Qt::ActionsContextMenu);
    OnDoubleClick(ListView_PlayersInfo->viewport(), [this] { ListView_PlayersInfoDblClick(); });
    OnDoubleClick(ListView_RulesInfo->viewport(), [this] { ListView_RulesInfoDblClick(); });
}

void TForm1::ConnectDetailsEndpoint() {
    if (!NMUDP0)
        return;
    NMUDP0->OnDataReceived = [this](TNMUDP& sender, int numberBytes, const std::string& fromIP,
                                    int port) {
        if (Details)
            Details->NMUDP0DataReceived(sender, numberBytes, fromIP, port);
    };
}

void TForm1::ListView_PlayersInfoColumnClick(int column) {
    ColumnClick(Browser.PlayersSortColumn, Browser.PlayersSortAscending, column);
    SortDetailList(ListView_PlayersInfo, column, Browser.PlayersSortAscending);
}

void TForm1::ListView_RulesInfoColumnClick(int column) {
    ColumnClick(Browser.RulesSortColumn, Browser.RulesSortAscending, column);
    SortDetailList(ListView_RulesInfo, column, Browser.RulesSortAscending);
}

void TForm1::ListView_PlayersInfoDblClick() {
    ListView_PlayersInfo->clear();
}

void TForm1::ListView_RulesInfoDblClick() {
    ListView_RulesInfo->clear();
}

void TForm1::BuildDetailsPanel(QWidget*) {
    Panel_ServerInfo = new QWidget(Splitter_Main);
    Panel_ServerInfo->setObjectName(QStringLiteral("Panel_ServerInfo"));
    Panel_ServerInfo->setAccessibleName(QStringLiteral("服务器信息"));
    Panel_ServerInfo->setMinimumWidth(60);
    auto* layout = new QVBoxLayout(Panel_ServerInfo);
    layout->setContentsMargins(0, 0, 0, 0);
    PageControl_Info = new QTabWidget(Panel_ServerInfo);
    PageControl_Info->setObjectName(QStringLiteral("PageControl_Info"));
    PageControl_Info->setAccessibleName(QStringLiteral("服务器信息"));
    layout->addWidget(PageControl_Info);

    TabSheet_Basic = new QWidget;
    TabSheet_Basic->setObjectName(QStringLiteral("TabSheet_Basic"));
    PageControl_Info->addTab(TabSheet_Basic, QStringLiteral("基本"));
    BuildBasicPage();

    TabSheet_Players = new QWidget;
    TabSheet_Players->setObjectName(QStringLiteral("TabSheet_Players"));
    PageControl_Info->addTab(TabSheet_Players, QStringLiteral("玩家"));
    auto* players = new QVBoxLayout(TabSheet_Players);
    players->setContentsMargins(2, 2, 2, 2);
    ListView_PlayersInfo = DetailList(
        TabSheet_Players, "ListView_PlayersInfo", QStringLiteral("玩家"),
        {QStringLiteral("#"), QStringLiteral("玩家"), QStringLiteral("毙敌数")}, {40, 110, 50});
    ListView_PlayersInfo->setIconSize(QSize(16, 16));
    players->addWidget(ListView_PlayersInfo);

    TabSheet_Rules = new QWidget;
    TabSheet_Rules->setObjectName(QStringLiteral("TabSheet_Rules"));
    PageControl_Info->addTab(TabSheet_Rules, QStringLiteral("规则"));
    auto* rules = new QVBoxLayout(TabSheet_Rules);
    rules->setContentsMargins(2, 2, 2, 2);
    ListView_RulesInfo = DetailList(TabSheet_Rules, "ListView_RulesInfo", QStringLiteral("规则"),
                                    {QStringLiteral("规则"), QStringLiteral("值")}, {120, 80});
    rules->addWidget(ListView_RulesInfo);
    PageControl_Info->setCurrentIndex(0);

    Splitter_Main->addWidget(Panel_Main);
    Splitter_Main->addWidget(Panel_ServerInfo);
    // Widening the window widens the centre only.
    Splitter_Main->setStretchFactor(0, 1);
    Splitter_Main->setStretchFactor(1, 0);
    Splitter3 = Splitter_Main->handle(1);
    Splitter3->setObjectName(QStringLiteral("Splitter3"));
    Splitter3->setAccessibleName(QStringLiteral("服务器信息 分隔条"));
}

void TForm1::BuildBasicPage() {
    auto* grid = new QGridLayout(TabSheet_Basic);
    grid->setContentsMargins(4, 6, 4, 4);
    grid->setHorizontalSpacing(3);
    // The boxes' own frames part the rows: every row fits the window's design height.
    grid->setVerticalSpacing(0);
    QPalette blue;
    blue.setColor(QPalette::Text, QColor(0, 0, 0xd0));
    constexpr int rowCount = DetailsController::BoxCount;
    for (int row = 0; row < rowCount; ++row) {
        const DetailRow& r = DetailRows[row];
        auto* box = new QLineEdit(TabSheet_Basic);
        box->setObjectName(QStringLiteral("SS%1").arg(r.Box));
        box->setReadOnly(true);
        box->setPalette(blue);
        box->setMinimumWidth(40);
        // Every row must fit the design height of the window.
        box->setFixedHeight(20);
        // A long name or map shows its start, not its tail.
        connect(box, &QLineEdit::textChanged, box, [box] {
            if (!box->hasFocus())
                box->home(false);
        });
        SS[static_cast<size_t>(r.Box)] = box;
        auto* label = LabelFor(TabSheet_Basic, QString::fromUtf8(r.Caption), box);
        grid->addWidget(label, row, 0);
        if (*r.Unit) {
            grid->addWidget(box, row, 1);
            grid->addWidget(new QLabel(QString::fromUtf8(r.Unit), TabSheet_Basic), row, 2);
        } else {
            grid->addWidget(box, row, 1, 1, 2);
        }
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(rowCount, 1);
    SS0 = SS[0], SS1 = SS[1], SS2 = SS[2], SS3 = SS[3], SS4 = SS[4], SS5 = SS[5];
    SS6 = SS[6], SS7 = SS[7], SS8 = SS[8], SS9 = SS[9], SS10 = SS[10], SS11 = SS[11];
    SS12 = SS[12], SS13 = SS[13], SS14 = SS[14], SS15 = SS[15], SS16 = SS[16], SS17 = SS[17];

    // The two glyphs of Button_Begin live here, hidden, as pictures to copy from.
    Image1 = new QLabel(TabSheet_Basic);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(ImageList1[ImgBeginRunning].pixmap(16, 16));
    Image1->hide();
    Image2 = new QLabel(TabSheet_Basic);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setPixmap(ImageList1[ImgBeginIdle].pixmap(16, 16));
    Image2->hide();
}
