// The window frame of the main window: menus, tool bar, status strip and the components
// without a picture of their own.
#include "TForm1.h"

#include "EventHook.h"
#include "WidgetText.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace {

QAction* Item(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QAction* Separator(QMenu* menu, const char* name = nullptr) {
    QAction* action = menu->addSeparator();
    if (name)
        action->setObjectName(QString::fromLatin1(name));
    return action;
}

// `what` names a pop-up menu without a title for screen readers.
QMenu* Menu(QWidget* parent, const char* name, const QString& title, const QString& what = {}) {
    auto* menu = new QMenu(title, parent);
    menu->setObjectName(QString::fromLatin1(name));
    menu->setAccessibleName(what.isEmpty() ? title : what);
    return menu;
}

// "到" or "从", a blank and the list's caption in quotes with one blank inside each quote.
QString ListItem(const QString& direction, const QString& list) {
    return direction + QStringLiteral(" \" ") + list + QStringLiteral(" \"");
}

QTimer* Timer(QObject* parent, const char* name, int interval) {
    auto* timer = new QTimer(parent);
    timer->setObjectName(QString::fromLatin1(name));
    if (interval > 0)
        timer->setInterval(interval);
    return timer;
}

} // namespace

void TForm1::BuildNonVisual() {
    Timer_RefreshServer = Timer(this, "Timer_RefreshServer", 0);
    Timer_AutoJoin = Timer(this, "Timer_AutoJoin", 1000);
    Timer_IconChange = Timer(this, "Timer_IconChange", 500);

    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setNameFilter(QStringLiteral("hl.exe (hl.exe)"));
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    OpenDialog1->setOption(QFileDialog::DontUseNativeDialog);
    OpenDialog2 = new QFileDialog(this);
    OpenDialog2->setObjectName(QStringLiteral("OpenDialog2"));
    OpenDialog2->setNameFilter(QStringLiteral("*.TXT (*.txt)"));
    OpenDialog2->setFileMode(QFileDialog::ExistingFile);
    OpenDialog2->setOption(QFileDialog::DontUseNativeDialog);
    OpenDialog2->setDirectory(QString::fromStdString(StartDirectory));
    SaveDialog1 = new QFileDialog(this);
    SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
    SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog1->setNameFilter(QStringLiteral("*.txt (*.txt)"));
    SaveDialog1->setDefaultSuffix(QStringLiteral("txt"));
    SaveDialog1->setOption(QFileDialog::DontUseNativeDialog);
    SaveDialog1->setOption(QFileDialog::DontConfirmOverwrite, false);
    SaveDialog1->setDirectory(QString::fromStdString(StartDirectory));
}

void TForm1::BuildMenus() {
    const QString results = QStringLiteral("搜索结果");
    const QString favorites = QStringLiteral("我的收藏");
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    bar->setAccessibleName(QStringLiteral("主菜单"));

    Menu_File = Menu(bar, "Menu_File", QStringLiteral("文件"));
    Menu_Import = Menu(Menu_File, "Menu_Import", QStringLiteral("导入文本文件"));
    Menu_Import->setIcon(ImageList4[ImgImport]);
    N7 = Item(Menu_Import, "N7", ListItem(QStringLiteral("到"), results));
    Separator(Menu_Import);
    N13 = Item(Menu_Import, "N13", ListItem(QStringLiteral("到"), favorites));
    Menu_File->addMenu(Menu_Import);
    Menu_Export = Menu(Menu_File, "Menu_Export", QStringLiteral("导出为文本文件"));
    Menu_Export->setIcon(ImageList4[ImgExport]);
    N16 = Item(Menu_Export, "N16", ListItem(QStringLiteral("从"), results));
    Separator(Menu_Export);
    N18 = Item(Menu_Export, "N18", ListItem(QStringLiteral("从"), favorites));
    Menu_File->addMenu(Menu_Export);
    Separator(Menu_File);
    Exit2 = Item(Menu_File, "Exit2", QStringLiteral("退出"));
    Exit2->setIcon(ImageList4[ImgExit]);
    bar->addMenu(Menu_File);

    Menu_Options = Menu(bar, "Menu_Options", QStringLiteral("选项"));
    M1 = Item(Menu_Options, "M1", QStringLiteral("我的收藏服务器"));
    M1->setCheckable(true);
    M1->setChecked(true);
    M2 = Item(Menu_Options, "M2", QStringLiteral("服务器详细信息"));
    M2->setCheckable(true);
    M2->setChecked(true);
    Separator(Menu_Options);
    Options1 = Item(Menu_Options, "Options1", QStringLiteral("设置"));
    Options1->setIcon(ImageList4[ImgOptions]);
    bar->addMenu(Menu_Options);

    Menu_Help = Menu(bar, "Menu_Help", QStringLiteral("帮助"));
    Readme1 = Item(Menu_Help, "Readme1", QStringLiteral("Quarrix 帮助"));
    Separator(Menu_Help);
    About2 = Item(Menu_Help, "About2", QStringLiteral("关于 Quarrix"));
    About2->setIcon(ImageList4[ImgAbout]);
    bar->addMenu(Menu_Help);

    PopupMenu1 = Menu(this, "PopupMenu1", {}, QStringLiteral("托盘菜单"));
    Show1 = Item(PopupMenu1, "Show1", QStringLiteral("显示主窗口"));
    Show2 = Separator(PopupMenu1, "Show2");
    Exit3 = Item(PopupMenu1, "Exit3", QStringLiteral("关于"));
    N9 = Separator(PopupMenu1, "N9");
    Exit4 = Item(PopupMenu1, "Exit4", QStringLiteral("退出"));

    PopupMenu2 = Menu(this, "PopupMenu2", {}, QStringLiteral("搜索结果 菜单"));
    P1 = Item(PopupMenu2, "P1", QStringLiteral("连接"));
    P2 = Item(PopupMenu2, "P2", QStringLiteral("自动连接"));
    Separator(PopupMenu2);
    P4 = Item(PopupMenu2, "P4", QStringLiteral("加入我的收藏"));
    Separator(PopupMenu2);
    P3 = Item(PopupMenu2, "P3", QStringLiteral("拷贝到剪贴板"));
    Separator(PopupMenu2);
    N25 = Item(PopupMenu2, "N25", QStringLiteral("导入文本文件"));
    N26 = Item(PopupMenu2, "N26", QStringLiteral("导出到文本文件"));
    Separator(PopupMenu2);
    P5 = Item(PopupMenu2, "P5", QStringLiteral("删除选中服务器"));
    P6 = Item(PopupMenu2, "P6", QStringLiteral("删除所有服务器"));

    PopupMenu3 = Menu(this, "PopupMenu3", {}, QStringLiteral("我的收藏 菜单"));
    Q1 = Item(PopupMenu3, "Q1", QStringLiteral("连接"));
    Q2 = Item(PopupMenu3, "Q2", QStringLiteral("自动连接"));
    Separator(PopupMenu3);
    Q3 = Item(PopupMenu3, "Q3", QStringLiteral("加入搜索结果"));
    Separator(PopupMenu3);
    Q4 = Item(PopupMenu3, "Q4", QStringLiteral("拷贝到剪贴板"));
    Separator(PopupMenu3);
    Q8 = Item(PopupMenu3, "Q8", QStringLiteral("导入文本文件"));
    Q9 = Item(PopupMenu3, "Q9", QStringLiteral("导出为文本文件"));
    Separator(PopupMenu3);
    Q6 = Item(PopupMenu3, "Q6", QStringLiteral("删除选中服务器"));
    Q7 = Item(PopupMenu3, "Q7", QStringLiteral("删除所有服务器"));

    PopupMenu4 = Menu(this, "PopupMenu4", {}, QStringLiteral("导出为文本文件"));
    N19 = Item(PopupMenu4, "N19", results);
    Separator(PopupMenu4);
    N23 = Item(PopupMenu4, "N23", favorites);

    PopupMenu5 = Menu(this, "PopupMenu5", {}, QStringLiteral("导入文本文件"));
    MenuItem1 = Item(PopupMenu5, "MenuItem1", ListItem(QStringLiteral("到"), results));
    Separator(PopupMenu5);
    MenuItem3 = Item(PopupMenu5, "MenuItem3", ListItem(QStringLiteral("到"), favorites));
}

void TForm1::BuildToolBar() {
    suiToolBar1 = new QToolBar(this);
    suiToolBar1->setObjectName(QStringLiteral("suiToolBar1"));
    suiToolBar1->setAccessibleName(QStringLiteral("工具栏"));
    suiToolBar1->setMovable(false);
    suiToolBar1->setFloatable(false);
    suiToolBar1->setIconSize(QSize(24, 24));
    suiToolBar1->setFixedHeight(40);
    addToolBar(Qt::TopToolBarArea, suiToolBar1);

    auto tool = [this](const char* name, int image, const QString& hint) {
        auto* button = new QToolButton(suiToolBar1);
        button->setObjectName(QString::fromLatin1(name));
        button->setIcon(ImageList1[image]);
        button->setIconSize(QSize(24, 24));
        button->setFixedSize(31, 30);
        button->setAutoRaise(true);
        Hint(button, hint);
        suiToolBar1->addWidget(button);
        return button;
    };
    auto check = [&tool](const char* name, int image, const QString& hint, bool down) {
        QToolButton* button = tool(name, image, hint);
        button->setCheckable(true);
        button->setChecked(down);
        return button;
    };

    ToolButton_SaveFavorite =
        tool("ToolButton_SaveFavorite", ImgExport, QStringLiteral("导出为文本文件"));
    ToolButton_SaveFavorite->setMenu(PopupMenu4);
    ToolButton_SaveFavorite->setPopupMode(QToolButton::InstantPopup);
    ToolButton_OpenFile = tool("ToolButton_OpenFile", ImgImport, QStringLiteral("导入文本文件"));
    ToolButton_OpenFile->setMenu(PopupMenu5);
    ToolButton_OpenFile->setPopupMode(QToolButton::InstantPopup);
    suiToolBar1->addSeparator();
    ToolButton_RefreshList = tool("ToolButton_RefreshList", ImgRefresh, QStringLiteral("刷新"));
    ToolButton_Auto =
        check("ToolButton_Auto", ImgAutoRefresh, QStringLiteral("连续自动刷新"), false);
    suiToolBar1->addSeparator();
    ToolButton_DeleteServer =
        tool("ToolButton_DeleteServer", ImgDelete, QStringLiteral("删除选中服务器"));
    ToolButton_AddToFavorite =
        tool("ToolButton_AddToFavorite", ImgAddToFavorite, QStringLiteral("加入我的收藏列表"));
    ToolButton_AddToServer =
        tool("ToolButton_AddToServer", ImgAddToServer, QStringLiteral("加入搜索结果列表"));
    ToolButton_CopyToClipboard =
        tool("ToolButton_CopyToClipboard", ImgCopy, QStringLiteral("拷贝到剪贴板"));
    suiToolBar1->addSeparator();
    ToolButton_Favorite =
        check("ToolButton_Favorite", ImgFavorite, QStringLiteral("我的收藏"), true);
    ToolButton_ServerInfo =
        check("ToolButton_ServerInfo", ImgServerInfo, QStringLiteral("服务器信息"), true);
    suiToolBar1->addSeparator();
    ToolButton_Options = tool("ToolButton_Options", ImgOptions, QStringLiteral("设置"));
    suiToolBar1->addSeparator();
    ToolButton_Minimize =
        tool("ToolButton_Minimize", ImgMinimize, QStringLiteral("最小化到系统托盘"));
    ToolButton_About = tool("ToolButton_About", ImgAbout, QStringLiteral("关于"));
    ToolButton_Exit = tool("ToolButton_Exit", ImgExit, QStringLiteral("退出"));
    suiToolBar1->addSeparator();

    Panel1 = new QWidget(suiToolBar1);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedWidth(190);
    auto* row = new QHBoxLayout(Panel1);
    row->setContentsMargins(6, 0, 2, 0);
    row->setSpacing(4);
    Edit_CSName = new QComboBox(Panel1);
    Edit_CSName->setObjectName(QStringLiteral("Edit_CSName"));
    Edit_CSName->setEditable(true);
    // The box edits one name; Enter must not collect typed names in its drop-down.
    Edit_CSName->setInsertPolicy(QComboBox::NoInsert);
    Edit_CSName->setFixedWidth(138);
    // The combo box is the focus widget and hands keys to its line edit by a direct call,
    // past the line edit's event filters; Enter is sent on through the event system so
    // that whatever watches the line edit for it sees a typed Enter too.
    new EventHook(Edit_CSName, [this](QEvent* event) {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* typed = static_cast<QKeyEvent*>(event);
        if (typed->key() != Qt::Key_Return && typed->key() != Qt::Key_Enter)
            return false;
        QKeyEvent copy(typed->type(), typed->key(), typed->modifiers(), typed->text(),
                       typed->isAutoRepeat(), static_cast<quint16>(typed->count()));
        QCoreApplication::sendEvent(Edit_CSName->lineEdit(), &copy);
        return true;
    });
    Label_ID = LabelFor(Panel1, QStringLiteral("ID"), Edit_CSName);
    Label_ID->setObjectName(QStringLiteral("Label_ID"));
    Button_SetName = new QToolButton(Panel1);
    Button_SetName->setObjectName(QStringLiteral("Button_SetName"));
    Button_SetName->setIcon(ImageList1[ImgSetName]);
    Button_SetName->setIconSize(QSize(16, 16));
    Button_SetName->setFixedSize(22, 22);
    Hint(Button_SetName, QStringLiteral("更改 ID"));
    row->addWidget(Label_ID);
    row->addWidget(Edit_CSName);
    row->addWidget(Button_SetName);
    suiToolBar1->addWidget(Panel1);
}

QWidget* TForm1::BuildStatusStrip(QWidget* parent) {
    auto* strip = new QWidget(parent);
    strip->setObjectName(QStringLiteral("StatusStrip"));
    strip->setFixedHeight(19);
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(2, 0, 2, 0);
    row->setSpacing(4);

    auto bar = [strip](const char* name, int maximum, const QString& what) {
        auto* progress = new QProgressBar(strip);
        progress->setObjectName(QString::fromLatin1(name));
        progress->setRange(0, maximum);
        progress->setValue(0);
        progress->setTextVisible(true);
        progress->setFormat(QStringLiteral("%p%"));
        progress->setAccessibleName(what);
        return progress;
    };
    ProgressBar_Search = bar("ProgressBar_Search", 1000000, QStringLiteral("搜索进度"));
    ProgressBar_Search->setFixedWidth(181);
    ProgressBar_RefreshList = bar("ProgressBar_RefreshList", 10000, QStringLiteral("刷新进度"));
    ProgressBar_RefreshList->setMinimumWidth(120);

    suiGroupBox3 = new QWidget(strip);
    suiGroupBox3->setObjectName(QStringLiteral("suiGroupBox3"));
    suiGroupBox3->setAccessibleName(QStringLiteral("版本图例"));
    auto* legend = new QHBoxLayout(suiGroupBox3);
    legend->setContentsMargins(6, 0, 4, 0);
    legend->setSpacing(4);
    auto square = [this](const char* name, const QColor& colour, const QString& caption) {
        auto* image = new QLabel(suiGroupBox3);
        image->setObjectName(QString::fromLatin1(name));
        image->setPixmap(LegendSquare(colour, 11));
        image->setAccessibleName(caption);
        return image;
    };
    Image4 = square("Image4", Cs15Colour(), QStringLiteral("CS 1.5"));
    Image6 = square("Image6", Cs16Colour(), QStringLiteral("CS 1.6"));
    legend->addWidget(Image4);
    legend->addWidget(new QLabel(QStringLiteral("CS 1.5"), suiGroupBox3));
    legend->addSpacing(8);
    legend->addWidget(Image6);
    legend->addWidget(new QLabel(QStringLiteral("CS 1.6"), suiGroupBox3));

    row->addWidget(ProgressBar_Search);
    row->addWidget(ProgressBar_RefreshList, 1);
    row->addWidget(suiGroupBox3);
    return strip;
}
