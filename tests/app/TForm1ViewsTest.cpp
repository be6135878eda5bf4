// The two server views and the detail lists in the real window, offscreen: row icons, the
// favorites shown by the show settings, header sorting by mouse, keys, accessible menu items
// and code, the detail lists keeping themselves sorted, column widths and long texts in
// boxes. No sockets: rows are put into the shared model.
#include "AppFixture.h"
#include "DetailsController.h"
#include "FavoriteListModel.h"
#include "Gbk.h"
#include "ServerListModel.h"
#include "ServerTreeView.h"
#include "TForm1.h"
#include "TestRow.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <initializer_list>
#include <ostream>
#include <vector>

namespace {

ServerStructure Row(const std::string& name, const std::string& ip, const std::string& protocol,
                    const std::string& password = "0", bool alive = true) {
    return TestRow(ip)
        .Name(name)
        .Map("de_dust2")
        .Counts("3", "20")
        .Protocol(protocol)
        .Password(password)
        .Alive(alive);
}

// UTF-8 literals as the texts a column shows.
QStringList L(std::initializer_list<const char*> items) {
    QStringList texts;
    for (const char* item : items)
        texts << QString::fromUtf8(item);
    return texts;
}

QStringList Column(const QTreeView* view, int column) {
    QStringList texts;
    for (int r = 0; r < view->model()->rowCount(); ++r)
        texts << view->model()->index(r, column).data().toString();
    return texts;
}

QStringList Column(const QTreeWidget* list, int column) {
    QStringList texts;
    for (int r = 0; r < list->topLevelItemCount(); ++r)
        texts << list->topLevelItem(r)->text(column);
    return texts;
}

class Views : public ::testing::Test {
protected:
    void SetUp() override {
        // No refresh pass at the first show: it would blank the rows under test.
        App.WriteIni("WindowStates/RemWindowStates=0\nFavorite/Synchronize=0\n" + Ini);
        App.Create();
        Server = Find<QTreeView>("ListView_Server");
        Favorite = Find<QTreeView>("ListView_Favorite");
        ASSERT_TRUE(Server && Favorite);
    }
    void Show() { App.Show(); }
    // Lets the views hear of the rows put into the lists.
    static bool Shows(const QTreeView* view, int rows) {
        return QTest::qWaitFor([&] { return view->model()->rowCount() == rows; }, 2000);
    }
    static void ClickHeader(QTreeView* view, int section) {
        QHeaderView* header = view->header();
        const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }

    std::string Ini = "Favorite/Filter1=1\nFavorite/Filter2=1\n";
    AppFixture App;
    QTreeView* Server = nullptr;
    QTreeView* Favorite = nullptr;
};

struct IconCase {
    const char* Name;
    ServerStructure Row;
    int Image;
};
void PrintTo(const IconCase& c, std::ostream* os) {
    *os << c.Name;
}

class ViewsIcons : public Views, public testing::WithParamInterface<IconCase> {};

TEST_P(ViewsIcons, BothViewsShowTheRowsPicture) {
    Form1->Model().SearchResults.Add(GetParam().Row);
    Form1->Model().Favorites.Add(GetParam().Row);
    Show();
    for (QTreeView* view : {Server, Favorite}) {
        ASSERT_TRUE(Shows(view, 1)) << view->objectName().toStdString();
        EXPECT_EQ(view->model()->index(0, 0).data(ServerListModel::ImageIndexRole).toInt(),
                  GetParam().Image)
            << view->objectName().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    States, ViewsIcons,
    testing::Values(IconCase{"DownWhateverItsTag", Row("a", "127.41.1.1", "46", "1", false), 0},
                    IconCase{"Open15", Row("a", "127.41.1.1", "46", "0"), 1},
                    IconCase{"Open16", Row("a", "127.41.1.1", "47", "0"), 2},
                    IconCase{"Locked15", Row("a", "127.41.1.1", "46", "1"), 3},
                    IconCase{"Locked16", Row("a", "127.41.1.1", "47", "1"), 4},
                    IconCase{"LiveVersionUnknown", Row("a", "127.41.1.1", "00", "0"), -1},
                    IconCase{"LivePasswordUnknown", Row("a", "127.41.1.1", "47", ""), -1}),
    [](const auto& info) { return std::string(info.param.Name); });

struct ShowCase {
    const char* Name;
    const char* Filter1;
    const char* Filter2;
    std::vector<const char*> Shown;
};
void PrintTo(const ShowCase& c, std::ostream* os) {
    *os << c.Name;
}

class ViewsFavoritesShow : public Views, public testing::WithParamInterface<ShowCase> {
protected:
    void SetUp() override {
        Ini = std::string("Favorite/Filter1=") + GetParam().Filter1 +
              "\nFavorite/Filter2=" + GetParam().Filter2 + "\n";
        Views::SetUp();
    }
};

// Favorites tagged "46", "47", "00", "47", named after their place in the list.
TEST_P(ViewsFavoritesShow, ShowsTheChosenRowsAndCountsThem) {
    int n = 0;
    for (const char* tag : {"46", "47", "00", "47"}) {
        const std::string name = "f" + std::to_string(n++);
        Form1->Model().Favorites.Add(Row(name, "127.41.2." + std::to_string(n), tag));
    }
    Show(); // the first show rebuilds the favorites view
    QStringList shown;
    for (const char* name : GetParam().Shown)
        shown << QString::fromUtf8(name);
    EXPECT_EQ(Column(Favorite, 0), shown);
    EXPECT_EQ(Find<QGroupBox>("GroupBox_Favorite")->title(),
              QStringLiteral("我的收藏 : %1").arg(shown.size()));
}

INSTANTIATE_TEST_SUITE_P(Settings, ViewsFavoritesShow,
                         testing::Values(ShowCase{"Only15", "1", "0", {"f0", "f2"}},
                                         ShowCase{"Only16", "0", "1", {"f1", "f2", "f3"}},
                                         ShowCase{"Both", "1", "1", {"f0", "f1", "f2", "f3"}},
                                         ShowCase{"Neither", "0", "0", {}}),
                         [](const auto& info) { return std::string(info.param.Name); });

class ViewsOnly15 : public Views {
protected:
    void SetUp() override {
        Ini = "Favorite/Filter1=1\nFavorite/Filter2=0\n";
        Views::SetUp();
    }
};

TEST_F(ViewsOnly15, FavoriteChangedInPlaceStaysInItsTableAndRepaintsOncePerBurst) {
    ServerRows& favorites = Form1->Model().Favorites;
    favorites.Add(Row("f0", "127.41.3.1", "46"));
    favorites.Add(Row("f1", "127.41.3.2", "47"));
    favorites.Add(Row("f2", "127.41.3.3", "00"));
    Show();
    ASSERT_EQ(Column(Favorite, 0), L({"f0", "f2"}));
    QSignalSpy repaints(Favorite->model(), &QAbstractItemModel::dataChanged);
    // A refresh reply tags the unknown server "47" and renames it, many times over.
    for (int i = 0; i < 50; ++i)
        favorites.Update(2, [i](ServerStructure& r) {
            r.Protocol = "47";
            r.Name = "g" + std::to_string(i);
        });
    favorites.Update(1, [](ServerStructure& r) { r.Name = "hidden"; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return repaints.size() > 0; }, 2000));
    QTest::qWait(3 * FavoriteListModel::FrameMs); // a second notice would come by now
    EXPECT_EQ(repaints.size(), 1);
    EXPECT_EQ(Column(Favorite, 0), L({"f0", "g49"}));
    Form1->RebuildFavoritesView();
    EXPECT_EQ(Column(Favorite, 0), L({"f0"}));
    EXPECT_EQ(Find<QGroupBox>("GroupBox_Favorite")->title(), QStringLiteral("我的收藏 : 1"));
}

class ViewsSort : public Views, public testing::WithParamInterface<const char*> {};

// Names, player counts and addresses that order differently as text and as numbers.
TEST_P(ViewsSort, HeaderClicksSortTheListAndTheSelectionFollows) {
    const bool favorites = std::string(GetParam()) == "ListView_Favorite";
    ServerRows& list = favorites ? Form1->Model().Favorites : Form1->Model().SearchResults;
    const char* players[] = {"10", "9", "", "100"};
    const char* names[] = {"b", "a", "c", "B"};
    for (int i = 0; i < 4; ++i) {
        ServerStructure r = Row(names[i], "127.41.4." + std::to_string(i + 1), "47");
        r.Players = players[i];
        list.Add(r);
    }
    Show();
    QTreeView* view = favorites ? Favorite : Server;
    ASSERT_TRUE(Shows(view, 4));
    // Selected without becoming current, which would ask for the row's details.
    view->selectionModel()->select(view->model()->index(1, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);

    ClickHeader(view, 0); // the first click on the name column: descending
    EXPECT_EQ(Column(view, 0), L({"c", "b", "a", "B"}));
    ClickHeader(view, 0);
    EXPECT_EQ(Column(view, 0), L({"B", "a", "b", "c"}));
    ClickHeader(view, 4); // another column keeps the direction: ascending, as integers
    EXPECT_EQ(Column(view, 4), L({"", "9", "10", "100"}));
    if (favorites)
        Form1->ListView_FavoriteColumnClick(4);
    else
        Form1->ListView_ServerColumnClick(4);
    EXPECT_EQ(Column(view, 4), L({"100", "10", "9", ""}));
    const QModelIndexList selected = view->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected[0].data().toString(), QStringLiteral("a"));
    EXPECT_EQ(list[static_cast<size_t>(selected[0].row())].Name, "a");
}

INSTANTIATE_TEST_SUITE_P(BothViews, ViewsSort,
                         testing::Values("ListView_Server", "ListView_Favorite"));

TEST_F(Views, HeaderClickOnAnEmptyListOnlyChangesTheSortState) {
    Show();
    Form1->ListView_ServerColumnClick(0);
    EXPECT_EQ(Form1->Model().ServerSortColumn, 0);
    EXPECT_FALSE(Form1->Model().ServerSortAscending);
    EXPECT_EQ(Server->model()->rowCount(), 0);
}

TEST_F(Views, DetailListsKeepThemselvesSorted) {
    Show();
    auto* players = Find<QTreeWidget>("ListView_PlayersInfo");
    auto* rules = Find<QTreeWidget>("ListView_RulesInfo");
    DetailsView& detail = Form1->Details->View;
    detail.FillPlayersList({{"1", "bob", "5"}, {"2", G("张三"), "10"}, {"3", "Al", "-1"}});
    EXPECT_EQ(Column(players, 2), L({"10", "5", "-1"})); // frags, descending
    EXPECT_EQ(players->topLevelItem(0)->icon(0).cacheKey(),
              Form1->ImageList2[RowPlayer].cacheKey());
    ClickHeader(reinterpret_cast<QTreeView*>(players), 1); // names keep the direction
    EXPECT_EQ(Column(players, 1), L({"张三", "bob", "Al"}));
    Form1->ListView_PlayersInfoColumnClick(1);
    EXPECT_EQ(Column(players, 1), L({"Al", "bob", "张三"}));
    Form1->ListView_PlayersInfoColumnClick(0);
    EXPECT_EQ(Column(players, 0), L({"1", "2", "3"}));

    detail.FillRulesList({{"mp_b", "x"}, {"MP_A", "y"}, {"mp_C", "z"}, {"Mp_a", "w"}});
    EXPECT_EQ(Column(rules, 0), L({"MP_A", "Mp_a", "mp_b", "mp_C"}));
    ClickHeader(reinterpret_cast<QTreeView*>(rules), 0);
    EXPECT_EQ(Column(rules, 0), L({"mp_C", "mp_b", "MP_A", "Mp_a"}));

    // A double click anywhere on a detail list empties it.
    QTest::mouseDClick(rules->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(rules->topLevelItemCount(), 0);
    EXPECT_EQ(players->topLevelItemCount(), 3);
}

// A press on a menu item as a screen reader makes it: through the item's accessible action.
void PressAccessibly(QMenu* menu, const QString& item) {
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(menu);
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < list->childCount(); ++i) {
        QAccessibleInterface* child = list->child(i);
        if (child->text(QAccessible::Name) != item)
            continue;
        QAccessibleActionInterface* actions = child->actionInterface();
        ASSERT_NE(actions, nullptr);
        ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
        actions->doAction(QAccessibleActionInterface::pressAction());
        return;
    }
    FAIL() << "no item " << item.toStdString();
}

class ViewsKeySort : public Views, public testing::WithParamInterface<const char*> {};

// Without a mouse: Ctrl+column number on the focused view, and the pop-up menu's "排序"
// items through their accessible press action, sort by every column both ways.
TEST_P(ViewsKeySort, KeysAndTheAccessibleMenuSortByEachColumnBothWays) {
    const bool favorites = std::string(GetParam()) == "ListView_Favorite";
    ServerRows& list = favorites ? Form1->Model().Favorites : Form1->Model().SearchResults;
    const char* names[] = {"b", "a", "c"};
    const char* ports[] = {"27016", "7015", "27015"};
    for (int i = 0; i < 3; ++i) {
        ServerStructure r = Row(names[i], "127.41.5." + std::to_string(3 - i), "47");
        r.Port = ports[i];
        list.Add(r);
    }
    Show();
    QTreeView* view = favorites ? Favorite : Server;
    ASSERT_TRUE(Shows(view, 3));
    Form1->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form1));
    view->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), view);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(Column(view, 1), L({"127.41.5.1", "127.41.5.2", "127.41.5.3"}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(Column(view, 1), L({"127.41.5.3", "127.41.5.2", "127.41.5.1"}));
    EXPECT_EQ(view->header()->sortIndicatorSection(), 1);
    EXPECT_EQ(view->header()->sortIndicatorOrder(), Qt::DescendingOrder);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_1, Qt::ControlModifier);
    EXPECT_EQ(Column(view, 0), L({"c", "b", "a"}));

    auto* menu = Find<QMenu>(favorites ? "Menu_SortFavorite" : "Menu_SortServer");
    ASSERT_NE(menu, nullptr);
    auto* popup = Find<QMenu>(favorites ? "PopupMenu3" : "PopupMenu2");
    EXPECT_TRUE(popup->actions().contains(menu->menuAction()));
    EXPECT_EQ(menu->actions().size(), 7);
    PressAccessibly(menu, QStringLiteral("端口")); // ports as numbers, still descending
    EXPECT_EQ(Column(view, 2), L({"27016", "27015", "7015"}));
    PressAccessibly(menu, QStringLiteral("端口"));
    EXPECT_EQ(Column(view, 2), L({"7015", "27015", "27016"}));
    EXPECT_EQ(view->header()->sortIndicatorSection(), 2);
    EXPECT_EQ(view->header()->sortIndicatorOrder(), Qt::AscendingOrder);
}

INSTANTIATE_TEST_SUITE_P(BothViews, ViewsKeySort,
                         testing::Values("ListView_Server", "ListView_Favorite"));

TEST_F(Views, DetailListsSortByKeysAndByTheirAccessibleMenu) {
    Show();
    auto* players = Find<QTreeWidget>("ListView_PlayersInfo");
    Form1->Details->View.FillPlayersList({{"1", "bob", "5"}, {"2", "Al", "10"}, {"3", "cy", "-1"}});
    Form1->PageControl_Info->setCurrentIndex(1);
    Form1->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form1));
    players->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), players);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(Column(players, 1), L({"cy", "bob", "Al"})); // the frags' direction, descending
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(Column(players, 1), L({"Al", "bob", "cy"}));

    auto* rules = Find<QTreeWidget>("ListView_RulesInfo");
    Form1->Details->View.FillRulesList({{"mp_b", "1"}, {"mp_a", "2"}});
    EXPECT_EQ(rules->contextMenuPolicy(), Qt::ActionsContextMenu);
    auto* menu = Find<QMenu>("Menu_SortRules");
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(rules->actions(), menu->actions());
    PressAccessibly(menu, QStringLiteral("规则"));
    EXPECT_EQ(Column(rules, 0), L({"mp_b", "mp_a"}));
}

// At the window's design size every column of the results is in view, the name and
// address columns as wide as their texts; a wider window gives a long name its room.
TEST_F(Views, ResultColumnsFitTheirTextsAndTheResponseColumnIsInView) {
    const std::string longName(60, 'N');
    Form1->Model().SearchResults.Add(Row("Short name", "255.255.255.254", "47"));
    Show();
    ASSERT_TRUE(Shows(Server, 1));
    ASSERT_EQ(Form1->size(), QSize(895, 602));
    QHeaderView* header = Server->header();
    const auto fits = [&] {
        return header->sectionViewportPosition(6) + header->sectionSize(6) <=
               Server->viewport()->width();
    };
    const QFontMetrics metrics(Server->font());
    const auto wideEnough = [&](int column, const QString& text) {
        return header->sectionSize(column) > metrics.horizontalAdvance(text);
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return wideEnough(0, QStringLiteral("Short name")); }));
    EXPECT_TRUE(fits());
    EXPECT_TRUE(wideEnough(1, QStringLiteral("255.255.255.254")));

    Form1->Model().SearchResults.Update(0, [&](ServerStructure& r) { r.Name = longName; });
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return Column(Server, 0).first() == L({longName.c_str()})[0]; }));
    QTest::qWait(400); // the widths follow the rows a few times a second
    EXPECT_TRUE(fits());
    EXPECT_GE(header->sectionSize(0), ServerTreeView::MinNameWidth);

    Form1->resize(1600, 602);
    ASSERT_TRUE(QTest::qWaitFor([&] { return wideEnough(0, QString::fromStdString(longName)); }));
    EXPECT_TRUE(fits());
}

// Long names show their start in the details boxes and the auto-join boxes.
TEST_F(Views, LongNamesInTheBoxesShowTheirStart) {
    Show();
    const std::string longName = "Start of a long name " + std::string(80, 'x') + " end";
    Form1->Details->View.SetBox(0, longName);
    auto* box = Find<QLineEdit>("SS0");
    EXPECT_EQ(box->text(), QString::fromStdString(longName));
    EXPECT_EQ(box->cursorPosition(), 0);
    auto* target = Find<QLineEdit>("Edit_Auto1");
    target->setText(QString::fromStdString(longName));
    EXPECT_EQ(target->cursorPosition(), 0);
    // What the box paints starts at its first letter: the cursor sits at the left edge.
    EXPECT_LT(target->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), 10);
}

} // namespace
