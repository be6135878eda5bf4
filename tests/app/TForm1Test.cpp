#include "TForm1.h"
#include "AppFixture.h"
#include "BrowserModel.h"
#include "Gbk.h"
#include "PortPanel.h"
#include "ServerIntake.h"
#include "ServerList.h"
#include "ServerListModel.h"
#include "ServerRows.h"
#include "TForm_Options.h"
#include "WidgetText.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// What a control shows: an action's or button's text, else its hint, a group's title,
// else its accessible name.
QString Caption(QObject* object) {
    if (auto* action = qobject_cast<QAction*>(object))
        return action->text();
    if (auto* button = qobject_cast<QAbstractButton*>(object))
        return button->text().isEmpty() ? button->toolTip() : button->text();
    if (auto* group = qobject_cast<QGroupBox*>(object))
        return group->title();
    return static_cast<QWidget*>(object)->accessibleName();
}

struct Control {
    const char* Name;
    const char* Class;
    const char* Caption;
    bool Enabled = true;
    int Checked = -1; // -1: not a check control
};

// The layout of the main window, by objectName.
const Control Controls[] = {
    {"ToolButton_SaveFavorite", "QToolButton", "导出为文本文件"},
    {"ToolButton_OpenFile", "QToolButton", "导入文本文件"},
    {"ToolButton_RefreshList", "QToolButton", "刷新"},
    {"ToolButton_Auto", "QToolButton", "连续自动刷新", true, 0},
    {"ToolButton_DeleteServer", "QToolButton", "删除选中服务器"},
    {"ToolButton_AddToFavorite", "QToolButton", "加入我的收藏列表"},
    {"ToolButton_AddToServer", "QToolButton", "加入搜索结果列表"},
    {"ToolButton_CopyToClipboard", "QToolButton", "拷贝到剪贴板"},
    {"ToolButton_Favorite", "QToolButton", "我的收藏", true, 1},
    {"ToolButton_ServerInfo", "QToolButton", "服务器信息", true, 1},
    {"ToolButton_Options", "QToolButton", "设置"},
    {"ToolButton_Minimize", "QToolButton", "最小化到系统托盘"},
    {"ToolButton_About", "QToolButton", "关于"},
    {"ToolButton_Exit", "QToolButton", "退出"},
    {"Edit_CSName", "QComboBox", "ID"},
    {"Button_SetName", "QToolButton", "更改 ID"},
    {"GroupBox1", "QGroupBox", "搜索服务器"},
    {"Edit_FromIP", "QLineEdit", "起始 IP"},
    {"Edit_ToIP", "QLineEdit", "终止 IP"},
    {"Edit_Ports", "QLineEdit", "端口"},
    {"ComboBox_Port", "PortPanel", "端口"},
    {"Edit_Port", "QLineEdit", "添加端口"},
    {"Button_AddPort", "QToolButton", "添加端口"},
    {"Button_DelPort", "QToolButton", "删除端口"},
    {"ListBox_Ports", "QListWidget", "端口列表"},
    {"Memo_SearchLog", "QPlainTextEdit", "搜索纪录"},
    {"Button_Begin", "QPushButton", "开始"},
    {"Button_Stop", "QPushButton", "结束", false},
    {"BitBtn_Join", "QPushButton", "现在我想加入 ！"},
    {"suiGroupBox2", "QGroupBox", "手动添加服务器"},
    {"ComboBox_QuickServerIP", "QComboBox", "IP 地址"},
    {"ComboBox_QuickServerPort", "QComboBox", "端口"},
    {"suiButton_AddServer", "QPushButton", "添加"},
    {"Panel_Server", "QGroupBox", "搜索结果"},
    {"ListView_Server", "QTreeView", "搜索结果"},
    {"suiToolBar2", "QToolBar", "自动加入"},
    {"ToolButton_AutoJoin", "QToolButton", "自动加入", true, 0},
    {"Edit_Auto1", "QLineEdit", "自动加入 服务器"},
    {"Edit_Auto2", "QLineEdit", "自动加入 IP 地址"},
    {"Edit_Auto3", "QLineEdit", "自动加入 端口"},
    {"GroupBox_Favorite", "QGroupBox", "我的收藏"},
    {"ListView_Favorite", "QTreeView", "我的收藏"},
    {"Panel_ServerInfo", "QWidget", "服务器信息"},
    {"PageControl_Info", "QTabWidget", "服务器信息"},
    {"SS0", "QLineEdit", "服务器名称"},
    {"SS1", "QLineEdit", "IP 地址:端口"},
    {"SS2", "QLineEdit", "响应时间"},
    {"SS3", "QLineEdit", "是否需要密码"},
    {"SS4", "QLineEdit", "地图"},
    {"SS5", "QLineEdit", "人数"},
    {"SS6", "QLineEdit", "剩余时间"},
    {"SS7", "QLineEdit", "起始钱数"},
    {"SS8", "QLineEdit", "地图更换时限"},
    {"SS9", "QLineEdit", "购买时间"},
    {"SS10", "QLineEdit", "冻结时间"},
    {"SS11", "QLineEdit", "C4 爆炸时限"},
    {"SS12", "QLineEdit", "单局时限"},
    {"SS13", "QLineEdit", "是否允许互伤"},
    {"SS14", "QLineEdit", "是否 TK 惩罚"},
    {"SS15", "QLineEdit", "下幅地图"},
    {"SS16", "QLineEdit", "人数上限"},
    {"SS17", "QLineEdit", "版本"},
    {"ListView_PlayersInfo", "QTreeWidget", "玩家"},
    {"ListView_RulesInfo", "QTreeWidget", "规则"},
    {"ProgressBar_Search", "QProgressBar", "搜索进度"},
    {"ProgressBar_RefreshList", "QProgressBar", "刷新进度"},
    {"Image4", "QLabel", "CS 1.5"},
    {"Image6", "QLabel", "CS 1.6"},
    {"Splitter1", "QSplitterHandle", "我的收藏 分隔条"},
    {"Splitter3", "QSplitterHandle", "服务器信息 分隔条"},
    // menus
    {"N7", "QAction", "到 \" 搜索结果 \""},
    {"N13", "QAction", "到 \" 我的收藏 \""},
    {"N16", "QAction", "从 \" 搜索结果 \""},
    {"N18", "QAction", "从 \" 我的收藏 \""},
    {"Exit2", "QAction", "退出"},
    {"M1", "QAction", "我的收藏服务器", true, 1},
    {"M2", "QAction", "服务器详细信息", true, 1},
    {"Options1", "QAction", "设置"},
    {"Readme1", "QAction", "Quarrix 帮助"},
    {"About2", "QAction", "关于 Quarrix"},
    {"Show1", "QAction", "显示主窗口"},
    {"Exit3", "QAction", "关于"},
    {"Exit4", "QAction", "退出"},
    {"P1", "QAction", "连接"},
    {"P2", "QAction", "自动连接"},
    {"P3", "QAction", "拷贝到剪贴板"},
    {"P4", "QAction", "加入我的收藏"},
    {"P5", "QAction", "删除选中服务器"},
    {"P6", "QAction", "删除所有服务器"},
    {"N25", "QAction", "导入文本文件"},
    {"N26", "QAction", "导出到文本文件"},
    {"Q1", "QAction", "连接"},
    {"Q2", "QAction", "自动连接"},
    {"Q3", "QAction", "加入搜索结果"},
    {"Q4", "QAction", "拷贝到剪贴板"},
    {"Q6", "QAction", "删除选中服务器"},
    {"Q7", "QAction", "删除所有服务器"},
    {"Q8", "QAction", "导入文本文件"},
    {"Q9", "QAction", "导出为文本文件"},
    {"N19", "QAction", "搜索结果"},
    {"N23", "QAction", "我的收藏"},
    {"MenuItem1", "QAction", "到 \" 搜索结果 \""},
    {"MenuItem3", "QAction", "到 \" 我的收藏 \""},
};

QStringList Headers(QAbstractItemView* view) {
    QStringList labels;
    QAbstractItemModel* model = view->model();
    for (int c = 0; c < model->columnCount(); ++c)
        labels << model->headerData(c, Qt::Horizontal).toString();
    return labels;
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override { App.WriteIni("WindowStates/RemWindowStates=0\n"); }
    AppFixture App;
};

} // namespace

TEST_F(MainWindow, EveryNamedControlExistsWithItsCaptionAndState) {
    App.Create();
    for (const Control& c : Controls) {
        SCOPED_TRACE(c.Name);
        const QString name = QString::fromLatin1(c.Name);
        const QList<QObject*> found = Form1->findChildren<QObject*>(name);
        ASSERT_EQ(found.size(), 1);
        QObject* object = found.front();
        EXPECT_TRUE(object->inherits(c.Class)) << object->metaObject()->className();
        EXPECT_EQ(Caption(object), QString::fromUtf8(c.Caption));
        if (auto* action = qobject_cast<QAction*>(object)) {
            EXPECT_EQ(action->isEnabled(), c.Enabled);
            if (c.Checked >= 0) {
                EXPECT_EQ(action->isChecked(), c.Checked == 1);
            }
            continue;
        }
        auto* widget = static_cast<QWidget*>(object);
        EXPECT_FALSE(widget->accessibleName().isEmpty());
        EXPECT_EQ(widget->isEnabled(), c.Enabled);
        if (c.Checked >= 0) {
            auto* button = qobject_cast<QAbstractButton*>(widget);
            ASSERT_NE(button, nullptr);
            EXPECT_TRUE(button->isCheckable());
            EXPECT_EQ(button->isChecked(), c.Checked == 1);
        }
    }
    // The public members are the very controls of those names.
    EXPECT_EQ(Form1->findChild<QWidget*>(QStringLiteral("Button_Begin")),
              static_cast<QWidget*>(Form1->Button_Begin));
    for (int i = 0; i < 18; ++i)
        EXPECT_EQ(Form1->SS[i]->objectName(), QStringLiteral("SS%1").arg(i));
}

TEST_F(MainWindow, StartsWithTheDesignGeometryAndInitialStates) {
    App.Create();
    EXPECT_EQ(Form1->windowTitle(), QStringLiteral("Quarrix  V1.6.0"));
    EXPECT_EQ(Form1->geometry().size(), QSize(895, 602));
    EXPECT_EQ(Form1->pos(), QPoint(101, 125));
    EXPECT_EQ(Form1->PageControl_Info->currentIndex(), 0);
    EXPECT_EQ(Form1->PageControl_Info->tabText(0), QStringLiteral("基本"));
    EXPECT_EQ(Form1->PageControl_Info->tabText(1), QStringLiteral("玩家"));
    EXPECT_EQ(Form1->PageControl_Info->tabText(2), QStringLiteral("规则"));
    EXPECT_EQ(Form1->ProgressBar_Search->maximum(), 1000000);
    EXPECT_EQ(Form1->ProgressBar_RefreshList->maximum(), 10000);
    EXPECT_EQ(Form1->ProgressBar_Search->value(), 0);
    EXPECT_FALSE(Form1->Timer_RefreshServer->isActive());
    EXPECT_FALSE(Form1->Timer_AutoJoin->isActive());
    EXPECT_FALSE(Form1->Timer_IconChange->isActive());
    EXPECT_EQ(Form1->Timer_AutoJoin->interval(), 1000);
    EXPECT_EQ(Form1->Timer_IconChange->interval(), 500);
    EXPECT_FALSE(Form1->ComboBox_Port->IsExpanded());
    EXPECT_EQ(Form1->ComboBox_Port->height(), 20);
    EXPECT_TRUE(Form1->Image1->isHidden());
    EXPECT_TRUE(Form1->Image2->isHidden());
    EXPECT_EQ(Form1->ImageList2.size(), 7);
    const QStringList columns = {QStringLiteral("服务器"), QStringLiteral("IP 地址"),
                                 QStringLiteral("端口"),   QStringLiteral("地图"),
                                 QStringLiteral("人数"),   QStringLiteral("上限"),
                                 QStringLiteral("响应")};
    EXPECT_EQ(Headers(Form1->ListView_Server), columns);
    EXPECT_EQ(Headers(Form1->ListView_Favorite), columns);
    EXPECT_EQ(Headers(Form1->ListView_PlayersInfo),
              QStringList({QStringLiteral("#"), QStringLiteral("玩家"), QStringLiteral("毙敌数")}));
    EXPECT_EQ(Headers(Form1->ListView_RulesInfo),
              QStringList({QStringLiteral("规则"), QStringLiteral("值")}));
    EXPECT_EQ(Form1->ListView_Server->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_FALSE(Form1->ListView_Server->rootIsDecorated());
    EXPECT_EQ(Form1->ComboBox_QuickServerPort->currentText(), QStringLiteral("27015"));
    EXPECT_EQ(Form1->ComboBox_QuickServerPort->count(), 3);
    EXPECT_TRUE(Form1->Memo_SearchLog->toPlainText().startsWith(QStringLiteral("搜索纪录 :")));

    App.Show();
    EXPECT_EQ(Form1->Panel_ServerInfo->width(), 219);
    EXPECT_EQ(Form1->GroupBox_Favorite->height(), 289);
    EXPECT_EQ(Form1->suiImagePanel1->width(), 185);
    // Widening the window widens the centre only.
    const int centre = Form1->Panel_Main->width();
    Form1->resize(1095, 602);
    QApplication::processEvents();
    EXPECT_EQ(Form1->Panel_ServerInfo->width(), 219);
    EXPECT_EQ(Form1->suiImagePanel1->width(), 185);
    EXPECT_EQ(Form1->Panel_Main->width(), centre + 200);
}

TEST_F(MainWindow, PortPanelFoldsOpenAndReportsEveryCollapse) {
    App.Create();
    App.Show();
    int collapses = 0;
    Form1->ComboBox_Port->OnPortPanelCollapse = [&] { ++collapses; };
    int emitted = 0;
    QObject::connect(Form1->ComboBox_Port, &PortPanel::Collapsed, [&] { ++emitted; });

    QTest::mouseClick(Form1->ComboBox_Port->DropButton(), Qt::LeftButton);
    EXPECT_TRUE(Form1->ComboBox_Port->IsExpanded());
    EXPECT_EQ(Form1->ComboBox_Port->height(), 106);
    EXPECT_TRUE(Form1->ComboBox_Port->geometry().intersects(Form1->Memo_SearchLog->geometry()));
    EXPECT_TRUE(Form1->ListBox_Ports->isVisible());
    EXPECT_EQ(Form1->ListBox_Ports->selectionMode(), QAbstractItemView::ExtendedSelection);

    QTest::mouseClick(Form1->ComboBox_Port->DropButton(), Qt::LeftButton);
    EXPECT_FALSE(Form1->ComboBox_Port->IsExpanded());
    EXPECT_EQ(Form1->ComboBox_Port->height(), 20);
    EXPECT_EQ(collapses, 1);

    // Focus leaving the open panel folds it.
    Form1->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form1));
    QTest::mouseClick(Form1->ComboBox_Port->DropButton(), Qt::LeftButton);
    Form1->Edit_Port->setFocus();
    ASSERT_TRUE(Form1->ComboBox_Port->IsExpanded());
    Form1->Edit_FromIP->setFocus();
    EXPECT_FALSE(Form1->ComboBox_Port->IsExpanded());
    EXPECT_EQ(collapses, 2);
    EXPECT_EQ(emitted, collapses);
}

namespace {

struct Switch {
    const char* Via;
    std::function<void()> Act;
};

void ExpectFavorites(bool shown) {
    EXPECT_EQ(Find<QGroupBox>("GroupBox_Favorite")->isVisible(), shown);
    EXPECT_EQ(Find<QWidget>("Splitter1")->isVisible(), shown);
    EXPECT_EQ(Find<QToolButton>("ToolButton_AddToFavorite")->isEnabled(), shown);
    EXPECT_EQ(Find<QToolButton>("ToolButton_AddToServer")->isEnabled(), shown);
    EXPECT_EQ(Find<QAction>("M1")->isChecked(), shown);
    EXPECT_EQ(Find<QToolButton>("ToolButton_Favorite")->isChecked(), shown);
}

void ExpectDetails(bool shown) {
    EXPECT_EQ(Find<QWidget>("Panel_ServerInfo")->isVisible(), shown);
    EXPECT_EQ(Find<QWidget>("Splitter3")->isVisible(), shown);
    EXPECT_EQ(Find<QAction>("M2")->isChecked(), shown);
    EXPECT_EQ(Find<QToolButton>("ToolButton_ServerInfo")->isChecked(), shown);
}

} // namespace

TEST_F(MainWindow, PanelSwitchesWorkFromToolButtonsAndMenuItemsBothWays) {
    App.Create();
    App.Show();
    const std::vector<std::pair<Switch, Switch>> favorites = {
        {{"tool button",
          [] { QTest::mouseClick(Find<QToolButton>("ToolButton_Favorite"), Qt::LeftButton); }},
         {"menu item", [] { Find<QAction>("M1")->trigger(); }}},
        {{"menu item", [] { Find<QAction>("M1")->trigger(); }},
         {"tool button",
          [] { QTest::mouseClick(Find<QToolButton>("ToolButton_Favorite"), Qt::LeftButton); }}},
    };
    for (const auto& [hide, show] : favorites) {
        SCOPED_TRACE(std::string("favorites hidden by ") + hide.Via + ", shown by " + show.Via);
        hide.Act();
        QApplication::processEvents();
        ExpectFavorites(false);
        // The search results group fills the whole centre.
        EXPECT_EQ(Form1->Panel_Server->height(), Form1->Splitter_Centre->height());
        show.Act();
        QApplication::processEvents();
        ExpectFavorites(true);
    }
    const std::vector<std::pair<Switch, Switch>> details = {
        {{"tool button",
          [] { QTest::mouseClick(Find<QToolButton>("ToolButton_ServerInfo"), Qt::LeftButton); }},
         {"menu item", [] { Find<QAction>("M2")->trigger(); }}},
        {{"menu item", [] { Find<QAction>("M2")->trigger(); }},
         {"tool button",
          [] { QTest::mouseClick(Find<QToolButton>("ToolButton_ServerInfo"), Qt::LeftButton); }}},
    };
    for (const auto& [hide, show] : details) {
        SCOPED_TRACE(std::string("details hidden by ") + hide.Via + ", shown by " + show.Via);
        hide.Act();
        QApplication::processEvents();
        ExpectDetails(false);
        // The centre widens to the right edge.
        EXPECT_EQ(Form1->Panel_Main->width(), Form1->Splitter_Main->width());
        show.Act();
        QApplication::processEvents();
        ExpectDetails(true);
        EXPECT_EQ(Find<QWidget>("Panel_ServerInfo")->width(), 219);
    }
}

namespace {

// One way a user (or code) flips a check button and its menu item.
struct Flip {
    const char* Name;
    std::function<void(QToolButton*, QAction*)> Act;
};

void PrintTo(const Flip& f, std::ostream* os) {
    *os << f.Name;
}

void AccessibleToggle(QWidget* button) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(button);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(a->actionInterface(), nullptr);
    const QStringList actions = a->actionInterface()->actionNames();
    a->actionInterface()->doAction(actions.contains(QAccessibleActionInterface::toggleAction())
                                       ? QAccessibleActionInterface::toggleAction()
                                       : QAccessibleActionInterface::pressAction());
}

const Flip Flips[] = {
    {"MouseClickOnTheButton",
     [](QToolButton* b, QAction*) { QTest::mouseClick(b, Qt::LeftButton); }},
    {"SpaceKeyOnTheButton",
     [](QToolButton* b, QAction*) {
         b->setFocus();
         QTest::keyClick(b, Qt::Key_Space);
     }},
    {"AccessibilityActionOnTheButton", [](QToolButton* b, QAction*) { AccessibleToggle(b); }},
    {"CodeTogglesTheButton", [](QToolButton* b, QAction*) { b->toggle(); }},
    {"CodeChecksTheMenuItem", [](QToolButton*, QAction* m) { m->setChecked(!m->isChecked()); }},
    {"MenuItemTriggered", [](QToolButton*, QAction* m) { m->trigger(); }},
};

class PanelSwitch : public ::testing::TestWithParam<Flip> {
protected:
    void SetUp() override { App.WriteIni("WindowStates/RemWindowStates=0\n"); }
    AppFixture App;
};

} // namespace

TEST_P(PanelSwitch, PanelsFollowTheCheckStateHoweverItChanges) {
    App.Create();
    App.Show();
    auto* favorite = Find<QToolButton>("ToolButton_Favorite");
    auto* details = Find<QToolButton>("ToolButton_ServerInfo");
    for (bool shown : {false, true}) {
        SCOPED_TRACE(shown ? "shown again" : "hidden");
        GetParam().Act(favorite, Find<QAction>("M1"));
        QApplication::processEvents();
        ExpectFavorites(shown);
        GetParam().Act(details, Find<QAction>("M2"));
        QApplication::processEvents();
        ExpectDetails(shown);
    }
}

INSTANTIATE_TEST_SUITE_P(Ways, PanelSwitch, ::testing::ValuesIn(Flips),
                         [](const ::testing::TestParamInfo<Flip>& info) {
                             return std::string(info.param.Name);
                         });

TEST_F(MainWindow, BadPortMessageShowsWithThePortPanelStillOpenBehindIt) {
    App.Create();
    App.Show();
    Form1->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form1));
    auto* panel = Find<PortPanel>("ComboBox_Port");
    QTest::mouseClick(panel->DropButton(), Qt::LeftButton);
    auto* edit = Find<QLineEdit>("Edit_Port");
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("abc"));
    bool openBehind = false;
    QString message;
    // The real dialog, so that it takes the focus as it does on a desktop.
    WhenModal([&](QWidget* modal) {
        EXPECT_TRUE(QTest::qWaitForWindowActive(modal));
        openBehind = panel->IsExpanded();
        message = modal->findChild<QLabel*>(QStringLiteral("Label_WarnningMsg"))->text();
        static_cast<QDialog*>(modal)->accept();
    });
    QTest::mouseClick(Find<QToolButton>("Button_AddPort"), Qt::LeftButton);
    EXPECT_EQ(message, QStringLiteral(" 无效的端口 ! "));
    EXPECT_TRUE(openBehind);
    EXPECT_TRUE(panel->IsExpanded());
    EXPECT_TRUE(edit->text().isEmpty());
}

TEST_F(MainWindow, OptionsOpenFromAnAccessibilityActionWithoutWaitingAndOkApplies) {
    App.Create();
    App.Show();
    int rebuilds = 0;
    Form1->Hooks.RebuildFavoritesView = [&] { ++rebuilds; };
    // Should the press wait for the dialog, this closes it after a while so the test ends.
    QObject guard;
    QTimer::singleShot(5000, &guard, [] {
        if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            modal->reject();
    });
    QAccessibleInterface* a =
        QAccessible::queryAccessibleInterface(Find<QToolButton>("ToolButton_Options"));
    ASSERT_NE(a, nullptr);
    a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    ASSERT_TRUE(Form_Options->isVisible()) << "the action returned only after the dialog closed";
    EXPECT_EQ(QApplication::activeModalWidget(), Form_Options);
    EXPECT_EQ(rebuilds, 0);
    Find<QCheckBox>("suiCheckBox2")->setChecked(true);
    Find<QPushButton>("suiButton_OK")->click();
    EXPECT_FALSE(Form_Options->isVisible());
    EXPECT_EQ(Form_Options->IniStructure[SlotRunOther], "1");
    EXPECT_EQ(App.IniValue("RunSettings", "RunOther"), "1");
    EXPECT_EQ(rebuilds, 1);
}

namespace {

// Every control a user can reach in `root` has a name a screen reader can say; a combo
// box is named by its label, not by the value it shows.
void ExpectEveryControlNamed(QWidget* root) {
    int checked = 0;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        const bool menu = qobject_cast<QMenu*>(w) || qobject_cast<QMenuBar*>(w);
        // Controls of other windows (file dialogs, a combo box's pop-up) have their own
        // names; controls kept hidden by design are never reached.
        if (!menu && (w->window() != root || w->isHidden()))
            continue;
        const bool interactive = menu || w->focusPolicy() != Qt::NoFocus ||
                                 qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w);
        if (!interactive)
            continue;
        ++checked;
        const QString where = QStringLiteral("%1 '%2' in '%3'")
                                  .arg(QString::fromLatin1(w->metaObject()->className()),
                                       w->objectName(), w->parentWidget()->objectName());
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(a, nullptr) << where.toStdString();
        const QString name = a->text(QAccessible::Name);
        EXPECT_FALSE(name.trimmed().isEmpty()) << where.toStdString();
        if (auto* box = qobject_cast<QComboBox*>(w)) {
            EXPECT_EQ(name, box->accessibleName()) << where.toStdString();
            EXPECT_EQ(a->text(QAccessible::Value), box->currentText()) << where.toStdString();
        }
    }
    EXPECT_GT(checked, 20);
}

} // namespace

TEST_F(MainWindow, EveryControlOfTheWindowAndTheOptionsDialogHasAName) {
    App.Create();
    App.Show();
    // A value in a box must not become its name.
    Find<QComboBox>("ComboBox_QuickServerIP")->setEditText(QStringLiteral("127.40.0.1"));
    ExpectEveryControlNamed(Form1);
    ExpectEveryControlNamed(Form_Options);
    for (const char* box : {"Edit_CSName", "ComboBox_QuickServerIP", "ComboBox_QuickServerPort"})
        EXPECT_EQ(Find<QComboBox>(box)->lineEdit()->accessibleName(),
                  Find<QComboBox>(box)->accessibleName())
            << box;
}

TEST_F(MainWindow, SearchResultsCaptionWithItsCountIsWhatAScreenReaderSays) {
    App.Create();
    App.Show();
    auto* group = Find<QGroupBox>("Panel_Server");
    // The caption follows the results' row count at the view's next frame.
    for (int i = 1; i <= 12; ++i) {
        ServerStructure row;
        row.IP = "127.40.0." + std::to_string(i);
        row.Port = "27015";
        Form1->Model().SearchResults.Add(row);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return group->title() == QStringLiteral("搜索结果 : 12"); }));
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(group);
    EXPECT_EQ(group->title(), QStringLiteral("搜索结果 : 12"));
    EXPECT_EQ(a->text(QAccessible::Name), group->title());
    EXPECT_EQ(a->text(QAccessible::Description), group->title());
}

// The name typed into the ID box and Enter pressed, as on a keyboard: the key goes to the
// focus widget, which for the editable combo box is the combo itself.
TEST_F(MainWindow, EnterTypedInTheIdBoxWritesTheNameAndTheDropDownStaysEmpty) {
    std::filesystem::create_directories(App.Dir.File("cs16/cstrike"));
    App.Dir.Write("cs16/hl.exe", "");
    App.Dir.Write("cs16/cstrike/config.cfg", "name \"Player\"\r\n");
    App.WriteIni("WindowStates/RemWindowStates=0\nFavorite/Synchronize=0\nModulePath/PathCS1.6=" +
                 App.Dir.File("cs16/hl.exe") + "\n");
    App.Create();
    App.Show();
    auto* name = Find<QComboBox>("Edit_CSName");
    ASSERT_TRUE(name->isEnabled());
    Form1->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form1));
    QTest::mouseClick(name->lineEdit(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::focusWidget() != nullptr; }));

    for (const char* typed : {"Typed", "Again"}) {
        SCOPED_TRACE(typed);
        QWidget* focus = QApplication::focusWidget();
        ASSERT_EQ(focus, name);
        QTest::keyClick(focus, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(focus, QString::fromLatin1(typed));
        QTest::keyClick(focus, Qt::Key_Return);
        EXPECT_EQ(App.Dir.Read("cs16/cstrike/config.cfg"),
                  "name \"" + std::string(typed) + "\"\r\n");
        EXPECT_EQ(name->count(), 0);
        EXPECT_EQ(name->currentText(), QString::fromLatin1(typed));
    }
    // The keypad's Enter too.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Pad"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(App.Dir.Read("cs16/cstrike/config.cfg"), "name \"Pad\"\r\n");
    EXPECT_EQ(name->count(), 0);
}

TEST(WidgetText, ABrokenNameShowsTheSameInTheServerListAndInAWidget) {
    ServerRows list;
    ServerListModel model(list);
    ServerStructure row;
    row.Name = "A\x81"; // cut after a lead byte
    const std::string name = row.Name;
    list.Add(row);
    ASSERT_TRUE(QTest::qWaitFor([&] { return model.rowCount() == 1; }));
    QLineEdit box;
    box.setText(ToQ(name));
    const QString inList = model.index(0, 0).data().toString();
    EXPECT_EQ(inList, QStringLiteral("A?"));
    EXPECT_EQ(box.text(), inList);
}
