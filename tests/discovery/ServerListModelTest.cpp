#include "ServerListModel.h"

#include "Gbk.h"
#include "TestRow.h"

#include <QItemSelectionModel>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

ServerStructure Row(const char* nameUtf8, bool alive, const char* protocol, const char* password,
                    std::string ip = "127.30.0.1") {
    ServerStructure r = TestRow(std::move(ip))
                            .Name(G(nameUtf8))
                            .Map("de_dust2")
                            .Counts("3", "20")
                            .Response("12")
                            .Protocol(protocol)
                            .Password(password);
    r.Alive = alive; // the view draws from Alive alone
    return r;
}

// A server named after its address, so a cell tells which server a view row shows.
ServerStructure Numbered(int i) {
    const std::string ip = "127.30." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1);
    return Row(ip.c_str(), true, "47", "0", ip);
}

QString Name(const QModelIndex& index) {
    return index.model()->index(index.row(), 0).data().toString();
}

TEST(ServerListModel, HeadersAndGbkCells) {
    ServerRows list;
    list.Add(Row("中文服务器", true, "47", "0"));
    ServerListModel model(list);
    const QStringList headers{QString::fromUtf8("服务器"), QString::fromUtf8("IP 地址"),
                              QString::fromUtf8("端口"),   QString::fromUtf8("地图"),
                              QString::fromUtf8("人数"),   QString::fromUtf8("上限"),
                              QString::fromUtf8("响应")};
    ASSERT_EQ(model.columnCount(), 7);
    ASSERT_EQ(model.rowCount(), 1);
    for (int c = 0; c < 7; ++c)
        EXPECT_EQ(model.headerData(c, Qt::Horizontal).toString(), headers[c]);
    EXPECT_EQ(model.data(model.index(0, 0)).toString(), QString::fromUtf8("中文服务器"));
    const QStringList cells{QStringLiteral("127.30.0.1"), QStringLiteral("27015"),
                            QStringLiteral("de_dust2"),   QStringLiteral("3"),
                            QStringLiteral("20"),         QStringLiteral("12")};
    for (int c = 1; c < 7; ++c)
        EXPECT_EQ(model.data(model.index(0, c)).toString(), cells[c - 1]);
}

TEST(ServerListModel, CountNotYetToldNeverReadsPastTheList) {
    ServerRows list;
    list.Add(Row("a", true, "47", "0"));
    list.Add(Row("b", true, "47", "0", "127.30.0.2"));
    ServerListModel model(list);
    list.Clear();
    EXPECT_EQ(model.rowCount(), 2); // told at the next frame
    EXPECT_FALSE(model.data(model.index(0, 0)).isValid());
    EXPECT_FALSE(model.data(model.index(1, 0)).isValid());
    model.Flush();
    EXPECT_EQ(model.rowCount(), 0);
}

TEST(ServerListModel, ManyMergesInOneFrameAreOneDataChangedAndNoSignalBefore) {
    ServerRows list;
    std::vector<ServerStructure> rows;
    for (int i = 0; i < 10000; ++i)
        rows.push_back(Numbered(i));
    list.InsertSortedMany(std::move(rows), ColIP, true);
    ServerListModel model(list);
    ASSERT_FALSE(model.FlushPending()) << "an idle list runs no timer";
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy layout(&model, &QAbstractItemModel::layoutChanged);
    int counts = 0;
    model.CountChanged = [&](int) { ++counts; };

    int lowest = 10000, highest = -1;
    for (int k = 0; k < 1000; ++k) {
        const int i = 1234 + (k * 7) % 5000;
        const ServerStructure server = Numbered(i);
        list.UpdateServer(server.IP, server.Port,
                          [&](ServerStructure& r) { r.Players = std::to_string(k % 20); });
        const int at = static_cast<int>(list.FindFirst(server.IP, server.Port).value());
        lowest = std::min(lowest, at);
        highest = std::max(highest, at);
    }
    EXPECT_EQ(changed.size(), 0) << "no signal per answer";
    EXPECT_TRUE(model.FlushPending());
    ASSERT_TRUE(changed.wait(1000));
    EXPECT_EQ(changed.size(), 1);
    EXPECT_EQ(changed[0][0].value<QModelIndex>().row(), lowest);
    EXPECT_EQ(changed[0][1].value<QModelIndex>().row(), highest);
    EXPECT_EQ(changed[0][1].value<QModelIndex>().column(), 6);
    EXPECT_EQ(reset.size(), 0);
    EXPECT_EQ(inserted.size(), 0);
    EXPECT_EQ(layout.size(), 0);
    EXPECT_EQ(counts, 0) << "the count did not change";
    EXPECT_FALSE(model.FlushPending());
}

TEST(ServerListModel, ChangesOfOneFrameKeepEveryRowOnItsServer) {
    ServerRows list;
    for (int i = 0; i < 20; ++i)
        list.Add(Numbered(i * 2)); // ascending by address text within 127.30.0.x
    ServerListModel model(list);
    QItemSelectionModel selection(&model);
    const QModelIndex picked = model.index(7, 0);
    const QString pickedName = Name(picked);
    selection.select(picked, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    std::vector<QPersistentModelIndex> held;
    for (int r = 0; r < model.rowCount(); ++r)
        held.emplace_back(model.index(r, 0));
    QStringList names;
    for (int r = 0; r < model.rowCount(); ++r)
        names << Name(model.index(r, 0));
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    std::vector<int> counts;
    model.CountChanged = [&](int n) { counts.push_back(n); };

    list.InsertSorted(Numbered(1), ColIP, true); // before everything held
    list.InsertSorted(Numbered(3), ColIP, true); // right after it: one run
    list.Remove(list.FindFirst(Numbered(10).IP, "27015").value());
    list.InsertSortedMany({Numbered(13), Numbered(5), Numbered(39)}, ColIP, true);
    list.UpdateServer(Numbered(20).IP, "27015", [](ServerStructure& r) { r.Map = "cs_italy"; });
    list.RemoveRows({list.FindFirst(Numbered(2).IP, "27015").value(),
                     list.FindFirst(Numbered(4).IP, "27015").value()});
    list.Add(Numbered(41));
    // Until the frame, the view still sees the rows it was told of, none shifted.
    ASSERT_EQ(model.rowCount(), 20);
    for (int r = 0; r < 20; ++r) {
        const QVariant cell = model.index(r, 0).data();
        if (cell.isValid())
            EXPECT_EQ(cell.toString(), names[r]) << r;
        else
            EXPECT_TRUE(names[r] == QString::fromStdString(Numbered(10).IP) ||
                        names[r] == QString::fromStdString(Numbered(2).IP) ||
                        names[r] == QString::fromStdString(Numbered(4).IP))
                << r;
    }
    model.Flush();

    EXPECT_EQ(reset.size(), 0);
    EXPECT_EQ(changed.size(), 1);
    ASSERT_EQ(model.rowCount(), static_cast<int>(list.size()));
    EXPECT_EQ(counts, (std::vector<int>{static_cast<int>(list.size())}));
    for (size_t k = 0; k < held.size(); ++k) {
        const bool removed =
            names[static_cast<int>(k)] == QString::fromStdString(Numbered(10).IP) ||
            names[static_cast<int>(k)] == QString::fromStdString(Numbered(2).IP) ||
            names[static_cast<int>(k)] == QString::fromStdString(Numbered(4).IP);
        if (removed)
            EXPECT_FALSE(held[k].isValid()) << k;
        else
            EXPECT_EQ(Name(held[k]), names[static_cast<int>(k)]) << k;
    }
    ASSERT_EQ(selection.selectedRows().size(), 1);
    EXPECT_EQ(Name(selection.selectedRows().front()), pickedName);
    for (int r = 0; r < model.rowCount(); ++r)
        EXPECT_EQ(Name(model.index(r, 0)),
                  QString::fromStdString(list[static_cast<size_t>(r)].Name));

    // A sort moves the selection with its server as well.
    SortList(list, ColIP, false, {});
    EXPECT_EQ(Name(selection.selectedRows().front()), pickedName);
    EXPECT_EQ(selection.selectedRows().front().row(),
              static_cast<int>(list.FindFirst(pickedName.toStdString(), "27015").value()));
}

TEST(ServerListModel, ImageIndexFollowsTheRowIconRule) {
    struct Case {
        bool Alive;
        const char* Protocol;
        const char* Password;
        int Image;
    };
    const Case cases[] = {{false, "47", "0", 0}, {false, "00", "", 0}, {true, "46", "0", 1},
                          {true, "47", "0", 2},  {true, "46", "1", 3}, {true, "47", "1", 4},
                          {true, "00", "0", -1}, {true, "47", "", -1}, {true, "48", "1", -1}};
    ServerRows list;
    for (const Case& c : cases)
        list.Add(Row("x", c.Alive, c.Protocol, c.Password));
    ServerListModel model(list);
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(model.data(model.index(static_cast<int>(i), 0), ServerListModel::ImageIndexRole)
                      .toInt(),
                  cases[i].Image)
            << i;
}

} // namespace
