// The list operations, text lists, favorites files and player name in the real window,
// offscreen: tool bar, context menus, keys and clicks by objectName, file dialogs and
// messages answered through the dialog seam. No sockets.
#include "AppFixture.h"
#include "Dialogs.h"
#include "TForm1.h"
#include "TestRow.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

ServerStructure Row(const std::string& ip, const std::string& protocol = "47",
                    const std::string& name = "srv") {
    return TestRow(ip).Name(name).Map("de_dust2").Counts("3", "20").Protocol(protocol).Alive();
}

class Lists : public ::testing::Test {
protected:
    void Start(const std::string& ini = {}) {
        App.WriteIni("WindowStates/RemWindowStates=0\nFavorite/Synchronize=0\n"
                     "ModulePath/PathCS1.6=" +
                     App.Dir.File("cs16/hl.exe") + "\n" + ini);
        App.Create();
        App.Show();
        Server = Find<QTreeView>("ListView_Server");
        Favorite = Find<QTreeView>("ListView_Favorite");
        ASSERT_TRUE(Server && Favorite);
    }
    void InstallGame(const std::string& config) {
        std::filesystem::create_directories(App.Dir.File("cs16/cstrike"));
        App.Dir.Write("cs16/hl.exe", "");
        App.Dir.Write("cs16/cstrike/config.cfg", config);
    }
    void Results(std::initializer_list<const char*> ips) {
        for (const char* ip : ips)
            Form1->Model().SearchResults.Add(Row(ip));
        ASSERT_TRUE(Shows(Server, int(Form1->Model().SearchResults.size())));
    }
    static bool Shows(QTreeView* view, int rows) {
        return QTest::qWaitFor([&] { return view->model()->rowCount() == rows; }, 2000);
    }
    static void Select(QTreeView* view, std::initializer_list<int> rows) {
        view->clearSelection();
        for (int row : rows)
            view->selectionModel()->select(view->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    static QStringList Ips(QTreeView* view) {
        QStringList ips;
        for (int r = 0; r < view->model()->rowCount(); ++r)
            ips << view->model()->index(r, 1).data().toString();
        return ips;
    }
    static QPoint RowPoint(QTreeView* view, int row) {
        return view->visualRect(view->model()->index(row, 1)).center();
    }
    AppFixture App;
    QTreeView *Server = nullptr, *Favorite = nullptr;
};

TEST_F(Lists, FavoritesAddedFromTheResultsSurviveARestartAndReachTheGame) {
    InstallGame("name \"Player\"\r\n");
    App.Dir.Write("cs16/favsvrs.dat", "{\r\nserver\r\n{\r\n\t\"address\"\t\"192.0.2.40\"\r\n"
                                      "\t\"port\"\t\"27015\"\r\n}\r\n}\r\n");
    Start();
    Results({"192.0.2.10", "192.0.2.11", "192.0.2.12"});
    Select(Server, {0, 2});
    Find<QToolButton>("ToolButton_AddToFavorite")->click();
    ASSERT_TRUE(Shows(Favorite, 2));
    EXPECT_EQ(Find<QGroupBox>("GroupBox_Favorite")->title(), QStringLiteral("我的收藏 : 2"));
    Form1->close();
    App.Destroy();

    const std::string saved = App.Dir.Read("favorite47.dat");
    EXPECT_NE(saved.find("\"address\" \"192.0.2.12\"\r\n"), std::string::npos);
    EXPECT_EQ(App.Dir.Read("cs16/favsvrs.dat"), saved) << "the game's file is replaced";
    EXPECT_EQ(App.Dir.Read("favorite46.dat"), "{\r\n}\r\n");

    App.Create();
    App.Show();
    Favorite = Find<QTreeView>("ListView_Favorite");
    ASSERT_TRUE(Shows(Favorite, 2));
    EXPECT_EQ(Ips(Favorite),
              (QStringList{QStringLiteral("192.0.2.10"), QStringLiteral("192.0.2.12")}));
}

TEST_F(Lists, ContextMenusEnableByTheSelectionAndTheirItemsAct) {
    Start();
    Results({"192.0.2.10", "192.0.2.11"});
    auto* p1 = Find<QAction>("P1");
    auto* p3 = Find<QAction>("P3");
    auto* p6 = Find<QAction>("P6");
    Form1->PopupMenu2Popup({1, 1});
    EXPECT_FALSE(p1->isEnabled() || p3->isEnabled());
    EXPECT_TRUE(p6->isEnabled());
    Form1->PopupMenu2->close();
    Select(Server, {0, 1});
    Form1->PopupMenu2Popup({1, 1});
    EXPECT_FALSE(p1->isEnabled());
    EXPECT_TRUE(p3->isEnabled());
    Form1->PopupMenu2->close();

    p3->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("192.0.2.10:27015\r\n192.0.2.11:27015\r\n"));
    Find<QAction>("P4")->trigger();
    ASSERT_TRUE(Shows(Favorite, 2));
    Select(Favorite, {1});
    Find<QAction>("Q6")->trigger(); // deletes the selected rows of both views
    ASSERT_TRUE(Shows(Favorite, 1));
    EXPECT_TRUE(Shows(Server, 0));
    Find<QAction>("Q7")->trigger();
    EXPECT_TRUE(Shows(Favorite, 0));
    EXPECT_EQ(Find<QGroupBox>("GroupBox_Favorite")->title(), QStringLiteral("我的收藏 : 0"));
}

TEST_F(Lists, KeysSelectCopyAndDeleteOnlyWhileDeletingIsAllowed) {
    Start();
    Results({"192.0.2.10", "192.0.2.11", "192.0.2.12"});
    Server->setFocus();
    QTest::keyClick(Server, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Server->selectionModel()->selectedRows().size(), 3);
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    QTest::keyClick(Server, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("192.0.2.10:27015\r\n192.0.2.11:27015\r\n192.0.2.12:27015\r\n"));

    // While a refresh pass runs the tool button is off, and so is the key.
    auto* deleteButton = Find<QToolButton>("ToolButton_DeleteServer");
    deleteButton->setEnabled(false);
    QTest::keyClick(Server, Qt::Key_Delete);
    EXPECT_EQ(Server->model()->rowCount(), 3);
    deleteButton->setEnabled(true);
    Select(Server, {1});
    QTest::keyClick(Server, Qt::Key_Delete);
    ASSERT_TRUE(Shows(Server, 2));
    EXPECT_EQ(Ips(Server),
              (QStringList{QStringLiteral("192.0.2.10"), QStringLiteral("192.0.2.12")}));
    EXPECT_EQ(Find<QGroupBox>("Panel_Server")->title(), QStringLiteral("搜索结果 : 2"));
}

TEST_F(Lists, AClickPicksTheServerAndAClickOnEmptySpaceForgetsIt) {
    Start();
    Results({"192.0.2.10", "192.0.2.11"});
    Form1->Model().Favorites.Add(Row("192.0.2.20"));
    ASSERT_TRUE(Shows(Favorite, 1));
    Select(Favorite, {0});

    QTest::mouseClick(Server->viewport(), Qt::LeftButton, {}, RowPoint(Server, 1));
    EXPECT_TRUE(Favorite->selectionModel()->selectedRows().isEmpty());
    EXPECT_EQ(Find<QLineEdit>("Edit_Auto2")->text(), QStringLiteral("192.0.2.11"));
    EXPECT_EQ(Find<QLineEdit>("Edit_Auto3")->text(), QStringLiteral("27015"));
    EXPECT_EQ(Form1->Model().SelectedAddress, "192.0.2.11:27015");
    EXPECT_EQ(Form1->windowTitle(), QStringLiteral("Quarrix  V1.6.0   -   192.0.2.11 : 27015"));

    // A right click in the other view only clears this view's selection.
    QTest::mouseClick(Favorite->viewport(), Qt::RightButton, {}, RowPoint(Favorite, 0));
    EXPECT_TRUE(Server->selectionModel()->selectedRows().isEmpty());
    EXPECT_EQ(Form1->Model().SelectedAddress, "192.0.2.11:27015");
    Form1->PopupMenu3->close();

    const QPoint below(5, Server->viewport()->height() - 3);
    QTest::mouseClick(Server->viewport(), Qt::LeftButton, {}, below);
    EXPECT_EQ(Form1->Model().SelectedAddress, "");
    EXPECT_EQ(Form1->windowTitle(), QStringLiteral("Quarrix  V1.6.0"));
    EXPECT_EQ(Find<QLineEdit>("Edit_Auto2")->text(), QString());
}

TEST_F(Lists, ATextListRoundTripsAndABadLineStopsTheImportWithTwoMessages) {
    Start("Favorite/Filter1=0\n"); // only the CS 1.6 favorites are shown
    Form1->Model().Favorites.Add(Row("192.0.2.20", "46"));
    Form1->Model().Favorites.Add(Row("255.255.255.254", "47"));
    Form1->Model().Favorites.Add(Row("192.0.2.22", "47"));
    Form1->RebuildFavoritesView();
    ASSERT_TRUE(Shows(Favorite, 2));

    Dialogs::SetNextFileName(QString::fromStdString(App.Dir.File("list.txt")));
    Find<QAction>("Q9")->trigger();
    EXPECT_EQ(App.Dir.Read("list.txt"), "#255.255.255.254:27015#\r\n#192.0.2.22:27015#\r\n");

    Dialogs::SetNextFileName(QString::fromStdString(App.Dir.File("list.txt")));
    Find<QAction>("MenuItem1")->trigger();
    ASSERT_TRUE(Shows(Server, 2));
    EXPECT_EQ(Ips(Server),
              (QStringList{QStringLiteral("255.255.255.254"), QStringLiteral("192.0.2.22")}));

    MessageRecorder messages;
    App.Dir.Write("bad.txt", "#192.0.2.30:27015#\r\n#192.0.2.255:27015#\r\n#192.0.2.31:27015#\r\n");
    Dialogs::SetNextFileName(QString::fromStdString(App.Dir.File("bad.txt")));
    Find<QAction>("N7")->trigger();
    ASSERT_TRUE(Shows(Server, 3));
    EXPECT_FALSE(Ips(Server).contains(QStringLiteral("192.0.2.31")));
    ASSERT_EQ(messages.Seen.size(), 2u);
    EXPECT_TRUE(messages.Seen[0].first.contains(QStringLiteral("IP")));
    EXPECT_TRUE(messages.Seen[1].first.contains(QStringLiteral("文件中含有无效格式")));
}

TEST_F(Lists, ThePlayerNameIsReadAndChangedInTheGamesConfig) {
    InstallGame("bind \"n\" \"name x\"\r\nname \"Player\"\r\n");
    Start();
    auto* name = Find<QComboBox>("Edit_CSName");
    EXPECT_EQ(name->currentText(), QStringLiteral("Player"));
    EXPECT_TRUE(name->isEnabled());
    name->setEditText(QStringLiteral("新玩家"));
    Find<QToolButton>("Button_SetName")->click();
    EXPECT_EQ(App.Dir.Read("cs16/cstrike/config.cfg"),
              "bind \"n\" \"name x\"\r\nname \"\xD0\xC2\xCD\xE6\xBC\xD2\"\r\n");

    MessageRecorder messages;
    name->setEditText(QString());
    QTest::keyClick(name->lineEdit(), Qt::Key_Return);
    ASSERT_EQ(messages.Seen.size(), 1u);
    EXPECT_TRUE(messages.Seen[0].first.contains(QStringLiteral("ID 不允许为空")));
    EXPECT_NE(App.Dir.Read("cs16/cstrike/config.cfg").find("\xD0\xC2"), std::string::npos);
}

TEST_F(Lists, WithoutAGameTheNameBoxIsOff) {
    Start();
    auto* name = Find<QComboBox>("Edit_CSName");
    EXPECT_EQ(name->currentText(), QStringLiteral("unamed"));
    EXPECT_FALSE(name->isEnabled());
    EXPECT_FALSE(Find<QToolButton>("Button_SetName")->isEnabled());
}

TEST_F(Lists, PickingAGameInTheOptionsReadsItsFavorites) {
    Start();
    std::filesystem::create_directories(App.Dir.File("other16"));
    App.Dir.Write("other16/hl.exe", "");
    App.Dir.Write("other16/favsvrs.dat",
                  "\"favorites\"\r\n{\r\n\t\"server\"\r\n\t{\r\n"
                  "\t\t\"name\"\t\t\"port 27015 address\"\r\n"
                  "\t\t\"address\"\t\t\"192.0.2.50\"\r\n\t\t\"port\"\t\t\"27016\"\r\n"
                  "\t\t\"proxyaddress\"\t\"198.51.100.1\"\r\n\t\t\"proxyport\"\t\"1\"\r\n"
                  "\t}\r\n}\r\n");
    Form1->OpenOptions();
    Dialogs::SetNextFileName(QString::fromStdString(App.Dir.File("other16/hl.exe")));
    Find<QPushButton>("suiButton4")->click();
    Find<QPushButton>("suiButton_OK")->click();
    ASSERT_TRUE(Shows(Favorite, 1));
    EXPECT_EQ(Form1->Model().Favorites[0].IP, "192.0.2.50");
    EXPECT_EQ(Form1->Model().Favorites[0].Port, "27016");
    EXPECT_EQ(Form1->Model().Favorites[0].Protocol, "47");
}

} // namespace
