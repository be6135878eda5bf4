// "Search the LAN" through the real main window, offscreen: its tool button, its menu item
// and its shortcut, its refusal while a scan runs, and the first run's range and ports.
// The installed interface list's "broadcast" address is a loopback address of this run
// (127.34.x.x moved to the run's block) where the simulated servers listen.
#include "AppFixture.h"
#include "FakeNetworkInterfaces.h"
#include "FakeServer.h"
#include "LanSearch.h"
#include "PortPanel.h"
#include "RunAddresses.h"
#include "SearchController.h"
#include "TForm1.h"
#include "TForm_Options.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

const QString Caption = QStringLiteral("搜索局域网");

QStringList LogLines() {
    return Form1->Memo_SearchLog->toPlainText().split(QLatin1Char('\n'));
}

QStringList Rows() {
    QStringList rows;
    QAbstractItemModel* model = Form1->ListView_Server->model();
    for (int r = 0; r < model->rowCount(); ++r)
        rows << model->index(r, 0).data().toString() + QLatin1Char('@') +
                    model->index(r, 1).data().toString() + QLatin1Char(':') +
                    model->index(r, 2).data().toString();
    rows.sort();
    return rows;
}

class LanWindow : public ::testing::Test {
protected:
    LanWindow()
        : Interfaces(
              {TestInterface("lo", "127.0.0.1", "255.0.0.0", "", true, true, false),
               TestInterface("qx0", RunIp("127.34.1.1"), "255.255.255.0", RunIp("127.34.1.200"))}),
          Installed(Interfaces) {}

    void SetUp() override {
        App.WriteIni("WindowStates/RemWindowStates=0\n"
                     "Favorite/Synchronize=0\n"
                     "SearchPorts/Port0=27015\n"
                     "SearchPorts/Port1=27016\n");
        App.Create();
        App.Show();
        FakeServerConfig text;
        text.Ip = RunIp("127.34.1.200");
        text.Name = "Text LAN";
        ASSERT_GE(Farm.Add(text), 0);
        FakeServerConfig binary = text;
        binary.Port = 27016;
        binary.Name = "Binary LAN";
        binary.Dialect = FakeDialect::Binary;
        binary.Challenge = true;
        ASSERT_GE(Farm.Add(binary), 0);
        ASSERT_TRUE(Farm.Start()) << Farm.LastError();
    }

    static int Finished() {
        return static_cast<int>(LogLines().count(QStringLiteral("局域网搜索结束 ! 找到服务器: 2")));
    }
    static void ExpectEnabled(bool enabled) {
        EXPECT_EQ(Form1->ToolButton_SearchLan->isEnabled(), enabled);
        EXPECT_EQ(Form1->SearchLan1->isEnabled(), enabled);
    }

    const FixedNetworkInterfaces Interfaces;
    const ScopedNetworkInterfaces Installed;
    AppFixture App;
    FakeServerFarm Farm;
};

TEST_F(LanWindow, ToolButtonMenuItemAndShortcutEachSearchAndListTheAnswers) {
    auto* button = Find<QToolButton>("ToolButton_SearchLan");
    auto* item = Find<QAction>("SearchLan1");
    ASSERT_TRUE(button && item);
    EXPECT_EQ(button->accessibleName(), Caption);
    EXPECT_TRUE(button->toolTip().startsWith(Caption));
    EXPECT_EQ(item->text(), Caption);
    EXPECT_EQ(item->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
    EXPECT_EQ(Form1->Menu_File->actions().value(0), item);
    const QString rows = QStringLiteral("搜索结果 : 2");

    // The tool button, by the mouse.
    QTest::mouseClick(button, Qt::LeftButton);
    ExpectEnabled(false);
    ASSERT_TRUE(QTest::qWaitFor([] { return Finished() == 1; }, 10000));
    ExpectEnabled(true);
    EXPECT_EQ(Rows(), QStringList({QString::fromStdString(RunIp("Binary LAN@127.34.1.200:27016")),
                                   QString::fromStdString(RunIp("Text LAN@127.34.1.200:27015"))}));
    EXPECT_EQ(Form1->Panel_Server->title(), rows);
    EXPECT_TRUE(LogLines().contains(QStringLiteral("广播地址: ") +
                                    QString::fromStdString(RunIp("127.34.1.200"))));
    const size_t perSearch = Farm.RequestCount();
    EXPECT_EQ(perSearch, 5u); // text and binary to each port, the challenge answered once

    // The shortcut, where the keyboard's focus is.
    Form1->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form1));
    Form1->ListView_Server->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), Form1->ListView_Server);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_L, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([] { return Finished() == 2; }, 10000));
    EXPECT_EQ(Farm.RequestCount(), 2 * perSearch);

    // The menu item, by the keyboard: the file menu opened, Down to its first item, Enter.
    Form1->Menu_File->popup(Form1->mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }));
    QWidget* popup = QApplication::activePopupWidget();
    ASSERT_EQ(popup, Form1->Menu_File);
    QTest::keyClick(popup, Qt::Key_Down);
    ASSERT_EQ(Form1->Menu_File->activeAction(), item);
    QTest::keyClick(popup, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([] { return Finished() == 3; }, 10000));
    EXPECT_EQ(Farm.RequestCount(), 3 * perSearch);

    // The same servers answer again: still one row each.
    EXPECT_EQ(Form1->Panel_Server->title(), rows);
}

TEST_F(LanWindow, OffWhileAScanRunsAndBackWhenItEnds) {
    // Shortcuts reach only the active window.
    Form1->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form1));
    Form1->Edit_FromIP->setText(QString::fromStdString(RunIp("127.34.0.1")));
    Form1->Edit_ToIP->setText(QString::fromStdString(RunIp("127.34.255.254")));
    QTest::mouseClick(Form1->Button_Begin, Qt::LeftButton);
    ASSERT_NE(Form1->Search->State(), SearchState::Idle);
    ExpectEnabled(false);
    // Neither the shortcut nor the button starts a search meanwhile.
    QTest::keyClick(Form1->Edit_Ports, Qt::Key_L, Qt::ControlModifier);
    QTest::mouseClick(Form1->ToolButton_SearchLan, Qt::LeftButton);
    EXPECT_FALSE(Form1->Lan->Running());
    EXPECT_FALSE(LogLines().contains(QStringLiteral("局域网搜索开始 ...")));
    QTest::mouseClick(Form1->Button_Stop, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([] { return Form1->SearchLan1->isEnabled(); }, 15000));
    ExpectEnabled(true);
    EXPECT_FALSE(Form1->Search->WorkerActive());
    EXPECT_EQ(Farm.RequestCount(), 0u);
}

// The first run offers the machine's own network around its own address and the usual
// ports; an existing file keeps its empty values.
class FirstRunWindow : public ::testing::Test {
protected:
    // A down interface and a loopback before the first one that is up, on a /28.
    const FixedNetworkInterfaces Interfaces{
        {TestInterface("lo", "127.0.0.1", "255.0.0.0", "", true, true, false),
         TestInterface("qx9", "127.34.9.9", "255.255.255.0", "127.34.9.255", false),
         TestInterface("qx0", "127.34.5.70", "255.255.255.240", "127.34.5.79")}};
    const ScopedNetworkInterfaces Installed{Interfaces};
    AppFixture App;

    static QStringList Ports() {
        QStringList items;
        for (int i = 0; i < Form1->ListBox_Ports->count(); ++i)
            items << Form1->ListBox_Ports->item(i)->text();
        return items;
    }
};

TEST_F(FirstRunWindow, NoSettingsFileFillsTheRangeAndPorts) {
    bool dialog = false;
    App.Create([&](QWidget* modal) {
        dialog = modal == Form_Options;
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    App.Show();
    EXPECT_TRUE(dialog);
    EXPECT_EQ(Form1->Edit_FromIP->text(), QStringLiteral("127.34.5.65"));
    EXPECT_EQ(Form1->Edit_ToIP->text(), QStringLiteral("127.34.5.78"));
    const QStringList usual = {QStringLiteral("27015"), QStringLiteral("27016"),
                               QStringLiteral("27017"), QStringLiteral("27018"),
                               QStringLiteral("27019"), QStringLiteral("27020")};
    EXPECT_EQ(Ports(), usual);
    EXPECT_EQ(Form1->PortList, (std::vector<int32_t>{27015, 27016, 27017, 27018, 27019, 27020}));
    EXPECT_EQ(Form1->Edit_Ports->text(), usual.join(QStringLiteral("  ")) + QStringLiteral("  "));
    // Written at once, so the next start finds them in the file.
    EXPECT_EQ(App.IniValue("SearchRange", "FromIP"), "127.34.5.65");
    EXPECT_EQ(App.IniValue("SearchRange", "ToIP"), "127.34.5.78");
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(App.IniValue("SearchPorts", "Port" + std::to_string(i)),
                  std::to_string(27015 + i));
    EXPECT_EQ(App.IniValue("SearchPorts", "Port6"), "");
}

TEST_F(FirstRunWindow, AnExistingFileKeepsItsEmptyRangeAndPorts) {
    App.WriteIni("WindowStates/RemWindowStates=0\n"
                 "Favorite/Synchronize=0\n"
                 "SearchRange/FromIP=\n"
                 "SearchRange/ToIP=\n");
    App.Create();
    App.Show();
    EXPECT_EQ(Form1->Edit_FromIP->text(), QString());
    EXPECT_EQ(Form1->Edit_ToIP->text(), QString());
    EXPECT_TRUE(Ports().isEmpty());
    EXPECT_TRUE(Form1->PortList.empty());
}

} // namespace
