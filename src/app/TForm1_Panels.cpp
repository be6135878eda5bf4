// The left column (search and manual-add groups, join button) and the centre (the two
// server views with the auto-join strip) of the main window.
#include "TForm1.h"

#include "PortPanel.h"
#include "ServerTreeView.h"
#include "WidgetText.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStandardItemModel>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

template <typename W> W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

ServerTreeView* ServerView(QWidget* parent, const char* name, const QString& caption) {
    auto* view = Named(new ServerTreeView(parent), name);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->setAccessibleName(caption);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setIconSize(QSize(16, 16));
    view->header()->setSectionsMovable(false);
    view->header()->setStretchLastSection(false);
    // Only the headers until the list code puts its row model in place.
    auto* headers = new QStandardItemModel(0, 7, view);
    headers->setHorizontalHeaderLabels({QStringLiteral("服务器"), QStringLiteral("IP 地址"),
                                        QStringLiteral("端口"), QStringLiteral("地图"),
                                        QStringLiteral("人数"), QStringLiteral("上限"),
                                        QStringLiteral("响应")});
    view->setModel(headers);
    TForm1::ApplyServerColumnWidths(view);
    return view;
}

} // namespace

void TForm1::ApplyServerColumnWidths(QTreeView* view) {
    if (auto* serverView = qobject_cast<ServerTreeView*>(view))
        serverView->FitColumns();
}

void TForm1::BuildLeftColumn(QWidget* parent) {
    suiImagePanel1 = Named(new QWidget(parent), "suiImagePanel1");
    suiImagePanel1->setFixedWidth(185);
    auto* column = new QVBoxLayout(suiImagePanel1);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);

    GroupBox1 = Named(new QGroupBox(QStringLiteral("搜索服务器"), suiImagePanel1), "GroupBox1");
    GroupBox1->setAccessibleName(QStringLiteral("搜索服务器"));
    GroupBox1->setFixedHeight(231);
    BuildSearchGroup();
    column->addWidget(GroupBox1);

    BitBtn_Join =
        Named(new QPushButton(QStringLiteral("现在我想加入 ！"), suiImagePanel1), "BitBtn_Join");
    BitBtn_Join->setAccessibleName(BitBtn_Join->text());
    BitBtn_Join->setIcon(ImageList1[ImgAutoJoin]);
    BitBtn_Join->setIconSize(QSize(24, 24));
    BitBtn_Join->setFixedSize(169, 86);
    column->addWidget(BitBtn_Join, 0, Qt::AlignHCenter);
    column->addStretch(1);

    suiGroupBox2 =
        Named(new QGroupBox(QStringLiteral("手动添加服务器"), suiImagePanel1), "suiGroupBox2");
    suiGroupBox2->setAccessibleName(QStringLiteral("手动添加服务器"));
    suiGroupBox2->setFixedHeight(140);
    ComboBox_QuickServerIP = Named(new QComboBox(suiGroupBox2), "ComboBox_QuickServerIP");
    ComboBox_QuickServerIP->setEditable(true);
    ComboBox_QuickServerIP->setInsertPolicy(QComboBox::NoInsert);
    ComboBox_QuickServerIP->setGeometry(60, 26, 117, 22);
    LabelFor(suiGroupBox2, QStringLiteral("IP 地址"), ComboBox_QuickServerIP)
        ->setGeometry(8, 26, 50, 22);
    ComboBox_QuickServerPort = Named(new QComboBox(suiGroupBox2), "ComboBox_QuickServerPort");
    ComboBox_QuickServerPort->setEditable(true);
    ComboBox_QuickServerPort->setInsertPolicy(QComboBox::NoInsert);
    ComboBox_QuickServerPort->addItems(
        {QStringLiteral("27015"), QStringLiteral("27014"), QStringLiteral("27016")});
    ComboBox_QuickServerPort->setEditText(QStringLiteral("27015"));
    ComboBox_QuickServerPort->setGeometry(60, 58, 117, 22);
    LabelFor(suiGroupBox2, QStringLiteral("端口"), ComboBox_QuickServerPort)
        ->setGeometry(8, 58, 50, 22);
    suiButton_AddServer =
        Named(new QPushButton(QStringLiteral("添加"), suiGroupBox2), "suiButton_AddServer");
    suiButton_AddServer->setAccessibleName(QStringLiteral("添加"));
    suiButton_AddServer->setToolTip(QStringLiteral("Begin Searching"));
    suiButton_AddServer->setGeometry(60, 96, 80, 27);
    column->addWidget(suiGroupBox2);
}

void TForm1::BuildSearchGroup() {
    QWidget* group = GroupBox1;
    Edit_FromIP = Named(new QLineEdit(group), "Edit_FromIP");
    Edit_FromIP->setGeometry(66, 22, 111, 21);
    LabelFor(group, QStringLiteral("起始 IP"), Edit_FromIP)->setGeometry(8, 22, 56, 21);
    Edit_ToIP = Named(new QLineEdit(group), "Edit_ToIP");
    Edit_ToIP->setGeometry(66, 48, 111, 21);
    LabelFor(group, QStringLiteral("终止 IP"), Edit_ToIP)->setGeometry(8, 48, 56, 21);

    // The port panel folds under the read-only summary, which leaves its arrow free.
    ComboBox_Port = new PortPanel(group);
    ComboBox_Port->setGeometry(66, 74, 111, PortPanel::TitleHeight);
    QWidget* body = ComboBox_Port->Content();
    Edit_Port = Named(new QLineEdit(body), "Edit_Port");
    Edit_Port->setAccessibleName(QStringLiteral("添加端口"));
    Edit_Port->setGeometry(3, 3, 59, 21);
    Button_AddPort = Named(new QToolButton(body), "Button_AddPort");
    Button_AddPort->setIcon(ImageList1[ImgAddPort]);
    Button_AddPort->setGeometry(64, 3, 21, 21);
    Hint(Button_AddPort, QStringLiteral("添加端口"));
    Button_DelPort = Named(new QToolButton(body), "Button_DelPort");
    Button_DelPort->setIcon(ImageList1[ImgDelPort]);
    Button_DelPort->setGeometry(87, 3, 21, 21);
    Hint(Button_DelPort, QStringLiteral("删除端口"));
    ListBox_Ports = Named(new QListWidget(body), "ListBox_Ports");
    ListBox_Ports->setAccessibleName(QStringLiteral("端口列表"));
    ListBox_Ports->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListBox_Ports->addItems(
        {QStringLiteral("27014"), QStringLiteral("27015"), QStringLiteral("27016")});
    ListBox_Ports->setGeometry(3, 27, 105, 56);

    Edit_Ports = Named(new QLineEdit(group), "Edit_Ports");
    Edit_Ports->setReadOnly(true);
    Edit_Ports->setGeometry(66, 74, 111 - 18, PortPanel::TitleHeight);
    LabelFor(group, QStringLiteral("端口"), Edit_Ports)->setGeometry(8, 74, 56, 20);
    Edit_Ports->raise();

    Memo_SearchLog = Named(new QPlainTextEdit(group), "Memo_SearchLog");
    Memo_SearchLog->setAccessibleName(QStringLiteral("搜索纪录"));
    Memo_SearchLog->setReadOnly(true);
    Memo_SearchLog->setPlainText(QStringLiteral("搜索纪录 :"));
    Memo_SearchLog->setGeometry(9, 100, 167, 89);
    Memo_SearchLog->lower();

    Button_Begin = Named(new QPushButton(QStringLiteral("开始"), group), "Button_Begin");
    Button_Begin->setAccessibleName(QStringLiteral("开始"));
    Button_Begin->setToolTip(QStringLiteral("Begin Searching"));
    Button_Begin->setIcon(ImageList1[ImgBeginIdle]);
    Button_Begin->setGeometry(9, 196, 80, 27);
    Button_Stop = Named(new QPushButton(QStringLiteral("结束"), group), "Button_Stop");
    Button_Stop->setAccessibleName(QStringLiteral("结束"));
    Button_Stop->setToolTip(QStringLiteral("Stop"));
    Button_Stop->setGeometry(96, 196, 80, 27);
    Button_Stop->setEnabled(false);
}

void TForm1::BuildCentre(QWidget* parent) {
    Splitter_Main = Named(new QSplitter(Qt::Horizontal, parent), "Splitter_Main");
    Splitter_Main->setChildrenCollapsible(false);
    Splitter_Main->setHandleWidth(3);
    Panel_Main = Named(new QWidget(Splitter_Main), "Panel_Main");
    auto* mainLayout = new QVBoxLayout(Panel_Main);
    mainLayout->setContentsMargins(0, 0, 0, 0);
    Splitter_Centre = Named(new QSplitter(Qt::Vertical, Panel_Main), "Splitter_Centre");
    Splitter_Centre->setChildrenCollapsible(false);
    Splitter_Centre->setHandleWidth(2);
    mainLayout->addWidget(Splitter_Centre);

    Panel_Server =
        Named(new QGroupBox(QStringLiteral("搜索结果"), Splitter_Centre), "Panel_Server");
    Panel_Server->setAccessibleName(QStringLiteral("搜索结果"));
    auto* serverLayout = new QVBoxLayout(Panel_Server);
    serverLayout->setContentsMargins(4, 4, 4, 4);
    serverLayout->setSpacing(2);
    ListView_Server = ServerView(Panel_Server, "ListView_Server", QStringLiteral("搜索结果"));
    serverLayout->addWidget(ListView_Server, 1);

    suiGroupBox5 = Named(new QGroupBox(Panel_Server), "suiGroupBox5");
    suiGroupBox5->setAccessibleName(QStringLiteral("自动加入"));
    suiGroupBox5->setFixedHeight(45);
    auto* strip = new QHBoxLayout(suiGroupBox5);
    strip->setContentsMargins(4, 2, 4, 2);
    suiToolBar2 = Named(new QToolBar(suiGroupBox5), "suiToolBar2");
    suiToolBar2->setAccessibleName(QStringLiteral("自动加入"));
    suiToolBar2->setIconSize(QSize(24, 24));
    ToolButton_AutoJoin = Named(new QToolButton(suiToolBar2), "ToolButton_AutoJoin");
    ToolButton_AutoJoin->setIcon(ImageList1[ImgAutoJoin]);
    ToolButton_AutoJoin->setIconSize(QSize(24, 24));
    ToolButton_AutoJoin->setFixedSize(31, 30);
    ToolButton_AutoJoin->setAutoRaise(true);
    ToolButton_AutoJoin->setCheckable(true);
    Hint(ToolButton_AutoJoin, QStringLiteral("自动加入"));
    suiToolBar2->addWidget(ToolButton_AutoJoin);
    auto target = [this](const char* name, int width, const QString& what) {
        auto* edit = Named(new QLineEdit(suiToolBar2), name);
        edit->setReadOnly(true);
        edit->setFixedWidth(width);
        edit->setAccessibleName(what);
        // A long server name shows its start, as the lists do, not its tail.
        connect(edit, &QLineEdit::textChanged, edit, [edit] {
            if (!edit->hasFocus())
                edit->home(false);
        });
        suiToolBar2->addWidget(edit);
        return edit;
    };
    Edit_Auto1 = target("Edit_Auto1", 167, QStringLiteral("自动加入 服务器"));
    Edit_Auto2 = target("Edit_Auto2", 110, QStringLiteral("自动加入 IP 地址"));
    Edit_Auto3 = target("Edit_Auto3", 62, QStringLiteral("自动加入 端口"));
    strip->addWidget(suiToolBar2);
    strip->addStretch(1);
    serverLayout->addWidget(suiGroupBox5);

    GroupBox_Favorite =
        Named(new QGroupBox(QStringLiteral("我的收藏"), Splitter_Centre), "GroupBox_Favorite");
    GroupBox_Favorite->setAccessibleName(QStringLiteral("我的收藏"));
    auto* favoriteLayout = new QVBoxLayout(GroupBox_Favorite);
    favoriteLayout->setContentsMargins(4, 4, 4, 4);
    ListView_Favorite =
        ServerView(GroupBox_Favorite, "ListView_Favorite", QStringLiteral("我的收藏"));
    favoriteLayout->addWidget(ListView_Favorite);

    Splitter_Centre->addWidget(Panel_Server);
    Splitter_Centre->addWidget(GroupBox_Favorite);
    Splitter_Centre->setStretchFactor(0, 1);
    Splitter_Centre->setStretchFactor(1, 0);
    Splitter1 = Splitter_Centre->handle(1);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setAccessibleName(QStringLiteral("我的收藏 分隔条"));
}
