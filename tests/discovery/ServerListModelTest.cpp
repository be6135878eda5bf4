#include "ServerListModel.h"

#include "Gbk.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

std::unique_ptr<ServerStructure> Row(const char* nameUtf8, bool alive, const char* protocol,
                                     const char* password) {
    auto r = std::make_unique<ServerStructure>();
    r->Name = G(nameUtf8);
    r->IP = "127.30.0.1";
    r->Port = "27015";
    r->Map = "de_dust2";
    r->Players = "3";
    r->MaxPlayers = "20";
    r->Response = "12";
    r->Alive = alive;
    r->Protocol = protocol;
    r->Password = password;
    return r;
}

TEST(ServerListModel, HeadersAndGbkCells) {
    ServerList list;
    list.push_back(Row("中文服务器", true, "47", "0"));
    ServerListModel model(list);
    model.SetRowCount(1);
    const QStringList headers{QString::fromUtf8("服务器"), QString::fromUtf8("IP 地址"),
                              QString::fromUtf8("端口"),   QString::fromUtf8("地图"),
                              QString::fromUtf8("人数"),   QString::fromUtf8("上限"),
                              QString::fromUtf8("响应")};
    ASSERT_EQ(model.columnCount(), 7);
    for (int c = 0; c < 7; ++c)
        EXPECT_EQ(model.headerData(c, Qt::Horizontal).toString(), headers[c]);
    EXPECT_EQ(model.data(model.index(0, 0)).toString(), QString::fromUtf8("中文服务器"));
    const QStringList cells{QStringLiteral("127.30.0.1"), QStringLiteral("27015"),
                            QStringLiteral("de_dust2"),   QStringLiteral("3"),
                            QStringLiteral("20"),         QStringLiteral("12")};
    for (int c = 1; c < 7; ++c)
        EXPECT_EQ(model.data(model.index(0, c)).toString(), cells[c - 1]);
}

TEST(ServerListModel, StaleCountNeverReadsPastTheList) {
    ServerList list;
    list.push_back(Row("a", true, "47", "0"));
    ServerListModel model(list);
    model.SetRowCount(3);
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_TRUE(model.data(model.index(0, 0)).isValid());
    EXPECT_FALSE(model.data(model.index(2, 0)).isValid());
    list.clear();
    EXPECT_FALSE(model.data(model.index(0, 0)).isValid());
}

TEST(ServerListModel, CountChangesAreAnnouncedAsRowsAtTheEnd) {
    ServerList list;
    ServerListModel model(list);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    for (int i = 0; i < 4; ++i)
        list.push_back(Row("x", true, "47", "0"));
    model.SetRowCount(4);
    model.SetRowCount(2);
    model.SetRowCount(2);
    ASSERT_EQ(inserted.size(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 0);
    EXPECT_EQ(inserted[0][2].toInt(), 3);
    ASSERT_EQ(removed.size(), 1);
    EXPECT_EQ(removed[0][1].toInt(), 2);
    EXPECT_EQ(changed.size(), 3); // every count update repaints
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
    ServerList list;
    for (const Case& c : cases)
        list.push_back(Row("x", c.Alive, c.Protocol, c.Password));
    ServerListModel model(list);
    model.SetRowCount(static_cast<int>(list.size()));
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(model.data(model.index(static_cast<int>(i), 0), ServerListModel::ImageIndexRole)
                      .toInt(),
                  cases[i].Image)
            << i;
}

} // namespace
