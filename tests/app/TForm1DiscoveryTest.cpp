// The scan road through the real main window, offscreen: range boxes, port editor, the
// start/pause/continue/stop controls, the results view and the manual add, against
// simulated servers on 127.50.x.x. Every test holds the fixed local ports (NMUDP0..3).
#include "AppFixture.h"
#include "FakeServer.h"
#include "Gbk.h"
#include "PortPanel.h"
#include "RunAddresses.h"
#include "SearchController.h"
#include "ServerListModel.h"
#include "TForm1.h"
#include "TForm_Options.h"
#include "TForm_Warnning.h"
#include "TNMUDP.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace {

const QString InvalidAddress = QStringLiteral(" 无效的 IP 地址 ! ");
const QString InvalidPort = QStringLiteral(" 无效的端口 ! ");
const QString Notice = QStringLiteral("注意");

FakeServerConfig Server(const std::string& ip, uint16_t port, const std::string& name) {
    FakeServerConfig config;
    config.Ip = ip;
    config.Port = port;
    config.Name = name;
    return config;
}

class Discovery : public ::testing::Test {
protected:
    void SetUp() override {
        App.WriteIni("WindowStates/RemWindowStates=0\n"
                     "SearchRange/FromIP=\n"
                     "SearchRange/ToIP=\n");
        App.Create();
        Form1->CreateEndpoints();
        App.Show();
    }

    static void Type(QLineEdit* edit, const QString& text) {
        edit->clear();
        QTest::keyClicks(edit, text);
    }
    static void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    static void Enter(QWidget* control) { QTest::keyClick(control, Qt::Key_Return); }
    static void OpenPorts() {
        if (!Form1->ComboBox_Port->IsExpanded())
            Click(Form1->ComboBox_Port->DropButton());
    }
    static void ClosePorts() {
        if (Form1->ComboBox_Port->IsExpanded())
            Click(Form1->ComboBox_Port->DropButton());
    }
    static void AddPort(const QString& port) {
        OpenPorts();
        Type(Form1->Edit_Port, port);
        Click(Form1->Button_AddPort);
    }
    static QStringList PortItems() {
        QStringList items;
        for (int i = 0; i < Form1->ListBox_Ports->count(); ++i)
            items << Form1->ListBox_Ports->item(i)->text();
        return items;
    }
    static QStringList LogLines() {
        return Form1->Memo_SearchLog->toPlainText().split(QLatin1Char('\n'));
    }
    static bool WaitForScanEnd() {
        return QTest::qWaitFor(
            [] {
                return LogLines().contains(QStringLiteral("搜索结束 !")) &&
                       !Form1->Search->Searching();
            },
            15000);
    }
    static QString Cell(int row, int column) {
        QAbstractItemModel* model = Form1->ListView_Server->model();
        return model->index(row, column).data().toString();
    }
    static int Rows() { return Form1->ListView_Server->model()->rowCount(); }

    // The controls of a scan at rest.
    static void ExpectIdle() {
        EXPECT_EQ(Form1->Button_Begin->text(), QStringLiteral("开始"));
        EXPECT_EQ(Form1->Button_Begin->icon().pixmap(16, 16).toImage(),
                  Form1->Image2->pixmap().toImage());
        EXPECT_FALSE(Form1->Button_Stop->isEnabled());
        EXPECT_TRUE(Form1->Edit_FromIP->isEnabled());
        EXPECT_TRUE(Form1->Edit_ToIP->isEnabled());
        EXPECT_TRUE(Form1->ComboBox_Port->isEnabled());
        EXPECT_EQ(Form1->ProgressBar_Search->value(), 0);
        EXPECT_FALSE(Form1->Search->Searching());
        EXPECT_FALSE(Form1->Search->SearchPaused());
    }
    static void ExpectBusy(const QString& caption, bool paused) {
        EXPECT_EQ(Form1->Button_Begin->text(), caption);
        EXPECT_EQ(Form1->Button_Begin->icon().pixmap(16, 16).toImage(),
                  (paused ? Form1->Image2 : Form1->Image1)->pixmap().toImage());
        EXPECT_TRUE(Form1->Button_Stop->isEnabled());
        EXPECT_FALSE(Form1->Edit_FromIP->isEnabled());
        EXPECT_FALSE(Form1->Edit_ToIP->isEnabled());
        EXPECT_FALSE(Form1->ComboBox_Port->isEnabled());
        EXPECT_TRUE(Form1->Search->Searching());
        EXPECT_EQ(Form1->Search->SearchPaused(), paused);
    }

    AppFixture App;
    FakeServerFarm Farm;
};

TEST_F(Discovery, ScanListsExactlyTheAnsweringServersAndReturnsToRest) {
    ASSERT_GE(Farm.Add(Server(RunIp("127.50.1.3"), 27015, "Alpha")), 0);
    ASSERT_GE(Farm.Add(Server(RunIp("127.50.1.7"), 27016, G("北京 一号"))), 0);
    // One server on two ports of the list that reports one address: one row.
    FakeServerConfig twin = Server(RunIp("127.50.1.12"), 27015, "Twin");
    ASSERT_GE(Farm.Add(twin), 0);
    twin.Port = 27016;
    twin.ReportedAddress = RunIp("127.50.1.12:27015");
    ASSERT_GE(Farm.Add(twin), 0);
    FakeServerConfig silent = Server(RunIp("127.50.1.15"), 27015, "Silent");
    silent.Silent = true;
    ASSERT_GE(Farm.Add(silent), 0);
    const int outside = Farm.Add(Server(RunIp("127.50.1.30"), 27015, "Outside"));
    ASSERT_GE(outside, 0);
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();

    // The end box follows every keystroke in the start box, then gets its own text.
    Type(Form1->Edit_FromIP, QString::fromStdString(RunIp("127.50.1.1")));
    EXPECT_EQ(Form1->Edit_ToIP->text(), QString::fromStdString(RunIp("127.50.1.1")));
    Type(Form1->Edit_ToIP, QString::fromStdString(RunIp("127.50.1.20")));
    EXPECT_EQ(Form1->Edit_FromIP->text(), QString::fromStdString(RunIp("127.50.1.1")));

    AddPort(QStringLiteral("27016"));
    AddPort(QStringLiteral("27015"));
    EXPECT_EQ(PortItems(), QStringList({QStringLiteral("27015"), QStringLiteral("27016")}));
    // Ports take effect only when the panel folds.
    EXPECT_TRUE(Form1->PortList.empty());
    ClosePorts();
    EXPECT_EQ(Form1->PortList, (std::vector<int32_t>{27015, 27016}));
    EXPECT_EQ(Form1->Edit_Ports->text(), QStringLiteral("27015  27016  "));
    // A list longer than the narrow box shows its start.
    EXPECT_EQ(Form1->Edit_Ports->cursorPosition(), 0);

    Click(Form1->Button_Begin);
    ExpectBusy(QStringLiteral("暂停"), false);
    EXPECT_EQ(LogLines().value(0), QStringLiteral("搜索开始 ..."));
    ASSERT_TRUE(WaitForScanEnd());
    ExpectIdle();
    const QStringList log = LogLines();
    ASSERT_EQ(log.size(), 6) << log.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(log[1], QString::fromStdString(RunIp("IP 地址: 127.50.1.20")));
    EXPECT_EQ(log[2], QStringLiteral("端口: 27016"));
    EXPECT_EQ(log[3], QStringLiteral("总计:  40")); // 20 addresses × 2 ports
    EXPECT_EQ(log[4], QStringLiteral("搜索结束 !"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^用时 : \\d+ ms ! $")).match(log[5]).hasMatch())
        << log[5].toStdString();

    ASSERT_TRUE(QTest::qWaitFor([] { return Rows() >= 3; }, 5000));
    ASSERT_TRUE(Farm.WaitForRequests(5, 5000)); // the bound servers of the range
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(Form1->Panel_Server->title(), QStringLiteral("搜索结果 : 3"));
    std::set<QString> rows;
    for (int r = 0; r < Rows(); ++r)
        rows.insert(Cell(r, 0) + QLatin1Char('@') + Cell(r, 1) + QLatin1Char(':') + Cell(r, 2));
    EXPECT_EQ(rows, (std::set<QString>{QString::fromStdString(RunIp("Alpha@127.50.1.3:27015")),
                                       QString::fromStdString(RunIp("北京 一号@127.50.1.7:27016")),
                                       QString::fromStdString(RunIp("Twin@127.50.1.12:27015"))}));

    // Every request (the info request of each dialect) left through NMUDP1, none went
    // outside the range.
    for (const auto& request : Farm.Requests()) {
        EXPECT_NE(request.Server, outside);
        EXPECT_TRUE(request.Kind == 'i' || request.Kind == 'T') << request.Kind;
        EXPECT_EQ(request.FromPort, Form1->NMUDP1->BoundPort());
    }

    // The settings saved at close carry the port list the scan used.
    Form1->close();
    EXPECT_EQ(App.IniValue("SearchRange", "FromIP"), RunIp("127.50.1.1"));
    EXPECT_EQ(App.IniValue("SearchRange", "ToIP"), RunIp("127.50.1.20"));
    EXPECT_EQ(App.IniValue("SearchPorts", "Port0"), "27015");
    EXPECT_EQ(App.IniValue("SearchPorts", "Port1"), "27016");
    EXPECT_EQ(App.IniValue("SearchPorts", "Port2"), "");
}

TEST_F(Discovery, PauseHoldsTheScanContinueResumesItStopEndsIt) {
    // A long range with one silent server at the start of every /24, so the farm sees how
    // far the walk has come; a marker server outside the range orders the test's view.
    std::vector<int> probes;
    for (int block = 100; block <= 220; ++block) {
        FakeServerConfig probe = Server(RunIp("127.50.") + std::to_string(block) + ".1", 27015, "");
        probe.Silent = true;
        probes.push_back(Farm.Add(probe));
        ASSERT_GE(probes.back(), 0);
    }
    const int marker = Farm.Add(Server(RunIp("127.50.99.1"), 27015, "Marker"));
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();
    Type(Form1->Edit_FromIP, QString::fromStdString(RunIp("127.50.100.1")));
    Type(Form1->Edit_ToIP, QString::fromStdString(RunIp("127.50.220.254")));
    AddPort(QStringLiteral("27015"));
    ClosePorts();

    // Start, then pause at once by Enter in the port summary (it stays enabled).
    Click(Form1->Button_Begin);
    Enter(Form1->Edit_Ports);
    ExpectBusy(QStringLiteral("继续"), true);

    // After the marker, at most the one request that was already leaving may arrive.
    TNMUDP probeSocket(0);
    const uint8_t ping[] = {'p', 'i', 'n', 'g'};
    probeSocket.SendDatagram(RunIp("127.50.99.1"), 27015, ping);
    // Compared by the kernel's receive times, which order arrivals across all sockets.
    auto markerTime = [&]() -> int64_t {
        for (const auto& r : Farm.Requests())
            if (r.Server == marker)
                return r.ReceivedNs;
        return 0;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return markerTime() != 0; }, 5000));
    const int64_t pausedAt = markerTime();
    auto requestsAfter = [&](int64_t ns) {
        const auto all = Farm.Requests();
        return std::count_if(all.begin(), all.end(), [&](const auto& r) {
            return r.Server != marker && r.ReceivedNs > ns;
        });
    };
    EXPECT_FALSE(QTest::qWaitFor([&] { return requestsAfter(pausedAt) > 1; }, 300))
        << "requests left while paused";
    const auto reachedBeforePause =
        static_cast<size_t>(std::count_if(probes.begin(), probes.end(), [&](int id) {
            const auto all = Farm.Requests();
            return std::any_of(all.begin(), all.end(), [&](const auto& r) {
                return r.Server == id && r.ReceivedNs < pausedAt;
            });
        }));
    EXPECT_LT(reachedBeforePause, probes.size()) << "the walk ended before the pause";

    // Continue by the same button; the walk goes on from where it was held.
    Enter(Form1->Edit_Ports);
    ExpectBusy(QStringLiteral("暂停"), false);
    ASSERT_TRUE(WaitForScanEnd());
    ExpectIdle();
    std::map<int, int> perProbe;
    for (const auto& r : Farm.Requests())
        if (r.Server != marker)
            ++perProbe[r.Server];
    EXPECT_EQ(perProbe.size(), probes.size());
    for (const auto& [id, count] : perProbe)
        EXPECT_EQ(count, 2) << "probe " << id; // the text and the binary info request

    // Stop while paused: the controls are at rest at once, the worker still writes its
    // two final lines.
    Form1->Memo_SearchLog->clear();
    Click(Form1->Button_Begin);
    Click(Form1->Button_Begin);
    ExpectBusy(QStringLiteral("继续"), true);
    Click(Form1->Button_Stop);
    ExpectIdle();
    ASSERT_TRUE(WaitForScanEnd());
    ExpectIdle();
    EXPECT_EQ(LogLines().value(LogLines().size() - 2), QStringLiteral("搜索结束 !"));

    // A double click on the log empties it.
    QTest::mouseDClick(Form1->Memo_SearchLog->viewport(), Qt::LeftButton);
    EXPECT_TRUE(Form1->Memo_SearchLog->toPlainText().isEmpty());

    // Closing the program in the middle of a paused scan ends the worker before the
    // window's members go.
    Click(Form1->Button_Begin);
    Click(Form1->Button_Begin);
    ASSERT_TRUE(Form1->Search->SearchPaused());
    App.Destroy();
    EXPECT_EQ(Form1, nullptr);
}

TEST_F(Discovery, PortEditorDownwardRangeAndRefusedStarts) {
    ASSERT_GE(Farm.Add(Server(RunIp("127.50.3.5"), 27015, "Middle")), 0);
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();
    MessageRecorder warnings;

    // The port editor's outcomes: sorted insert, already listed, not a number, out of range.
    AddPort(QStringLiteral("27020"));
    AddPort(QStringLiteral("27015"));
    AddPort(QStringLiteral("27015"));
    EXPECT_EQ(Form1->Edit_Port->text(), QStringLiteral("27015"));
    EXPECT_TRUE(warnings.Seen.empty());
    AddPort(QStringLiteral("abc"));
    ASSERT_EQ(warnings.Seen.size(), 1u);
    EXPECT_EQ(warnings.Seen[0], std::make_pair(InvalidPort, Notice));
    EXPECT_TRUE(Form1->Edit_Port->text().isEmpty());
    AddPort(QStringLiteral("70000"));
    EXPECT_EQ(warnings.Seen.size(), 1u);
    EXPECT_TRUE(Form1->Edit_Port->text().isEmpty());
    EXPECT_EQ(PortItems(), QStringList({QStringLiteral("27015"), QStringLiteral("27020")}));
    ClosePorts();

    // Entered downwards (Enter in the end box starts it): the boxes are exchanged and the
    // walk runs upwards.
    Type(Form1->Edit_FromIP, QString::fromStdString(RunIp(" 127.50.3.9")));
    Type(Form1->Edit_ToIP, QString::fromStdString(RunIp("127.50.3.2 ")));
    Enter(Form1->Edit_ToIP);
    EXPECT_EQ(Form1->Edit_FromIP->text(), QString::fromStdString(RunIp("127.50.3.2 ")));
    EXPECT_EQ(Form1->Edit_ToIP->text(), QString::fromStdString(RunIp(" 127.50.3.9")));
    ASSERT_TRUE(WaitForScanEnd());
    EXPECT_EQ(LogLines().value(1), QString::fromStdString(RunIp("IP 地址: 127.50.3.9")));
    EXPECT_EQ(LogLines().value(3), QStringLiteral("总计:  16"));
    ASSERT_TRUE(QTest::qWaitFor([] { return Rows() == 1; }, 5000));
    EXPECT_EQ(Cell(0, 0), QStringLiteral("Middle"));
    EXPECT_TRUE(warnings.Seen.size() == 1u);

    // Refused starts: each shows its message and nothing starts.
    struct Refusal {
        std::string From;
        std::string To;
        QString Message;
    };
    const Refusal refusals[] = {
        {RunIp("127.50.3.255"), RunIp("127.50.3.9"), InvalidAddress},
        {RunIp("127.50.3.1"), RunIp("127.50.3"), InvalidAddress},
        {RunIp("127.50.3.x"), RunIp("127.50.3.9"), InvalidAddress},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.From + std::string(" .. ") + r.To);
        warnings.Seen.clear();
        Type(Form1->Edit_FromIP, QString::fromStdString(r.From));
        Type(Form1->Edit_ToIP, QString::fromStdString(r.To));
        Enter(Form1->Edit_FromIP);
        ASSERT_EQ(warnings.Seen.size(), 1u);
        EXPECT_EQ(warnings.Seen[0], std::make_pair(r.Message, Notice));
        ExpectIdle();
    }

    // Deleting every port leaves nothing to scan: the invalid-port message.
    OpenPorts();
    Form1->ListBox_Ports->selectAll();
    Click(Form1->Button_DelPort);
    EXPECT_EQ(Form1->ListBox_Ports->count(), 0);
    ClosePorts();
    EXPECT_TRUE(Form1->PortList.empty());
    EXPECT_TRUE(Form1->Edit_Ports->text().isEmpty());
    Type(Form1->Edit_FromIP, QString::fromStdString(RunIp("127.50.3.1")));
    warnings.Seen.clear();
    Click(Form1->Button_Begin);
    ASSERT_EQ(warnings.Seen.size(), 1u);
    EXPECT_EQ(warnings.Seen[0], std::make_pair(InvalidPort, Notice));
    ExpectIdle();
}

TEST_F(Discovery, VersionFilterAndManualAdd) {
    FakeServerConfig old = Server(RunIp("127.50.4.2"), 27015, "Old");
    old.Protocol = 46;
    ASSERT_GE(Farm.Add(old), 0);
    ASSERT_GE(Farm.Add(Server(RunIp("127.50.4.3"), 27015, "New")), 0);
    FakeServerConfig manual = Server(RunIp("127.50.4.9"), 27015, "Manual");
    manual.Password = true;
    ASSERT_GE(Farm.Add(manual), 0);
    ASSERT_TRUE(Farm.Start()) << Farm.LastError();
    Form1->Options->IniStructure.Slots[SlotResultFilter1] = "0";

    Type(Form1->Edit_FromIP, QString::fromStdString(RunIp("127.50.4.1")));
    Type(Form1->Edit_ToIP, QString::fromStdString(RunIp("127.50.4.4")));
    AddPort(QStringLiteral("27015"));
    ClosePorts();
    Click(Form1->Button_Begin);
    ASSERT_TRUE(WaitForScanEnd());
    ASSERT_TRUE(QTest::qWaitFor([] { return Rows() == 1; }, 5000));

    // Manual add by Enter in the address box: trimmed texts go back into the boxes, a
    // pending row shows at once, the answer fills it. It is answered after the scan's
    // answers, so by then the CS 1.5 answer has certainly been taken and dropped.
    MessageRecorder warnings;
    Form1->ComboBox_QuickServerIP->setEditText(QString::fromStdString(RunIp("  127.50.4.9 ")));
    Form1->ComboBox_QuickServerPort->setEditText(QStringLiteral(" 27015"));
    Enter(Form1->ComboBox_QuickServerIP);
    EXPECT_TRUE(warnings.Seen.empty());
    EXPECT_EQ(Form1->ComboBox_QuickServerIP->currentText(),
              QString::fromStdString(RunIp("127.50.4.9")));
    EXPECT_EQ(Form1->ComboBox_QuickServerPort->currentText(), QStringLiteral("27015"));
    EXPECT_EQ(Form1->ComboBox_QuickServerIP->count(), 1);
    EXPECT_EQ(Form1->ComboBox_QuickServerIP->itemText(0),
              QString::fromStdString(RunIp("127.50.4.9")));
    EXPECT_EQ(Form1->ComboBox_QuickServerPort->count(), 3);
    auto manualRow = [] {
        for (int r = 0; r < Rows(); ++r)
            if (Cell(r, 1) == QString::fromStdString(RunIp("127.50.4.9")))
                return r;
        return -1;
    };
    // The view and its caption follow the list within a display frame.
    ASSERT_TRUE(QTest::qWaitFor([&] { return manualRow() >= 0; }, 1000));
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(Form1->Panel_Server->title(), QStringLiteral("搜索结果 : 2"));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return Cell(manualRow(), 0) == QStringLiteral("Manual"); }, 5000));
    const QModelIndex filled = Form1->ListView_Server->model()->index(manualRow(), 0);
    EXPECT_EQ(filled.data(ServerListModel::ImageIndexRole).toInt(), 4); // locked CS 1.6

    EXPECT_EQ(Rows(), 2);
    for (int r = 0; r < Rows(); ++r)
        EXPECT_NE(Cell(r, 0), QStringLiteral("Old"));
    EXPECT_EQ(Form1->Panel_Server->title(), QStringLiteral("搜索结果 : 2"));

    // A bad port in the manual boxes: the message, no row, no history entry.
    Form1->ComboBox_QuickServerPort->setEditText(QStringLiteral("0"));
    Click(Form1->suiButton_AddServer);
    ASSERT_EQ(warnings.Seen.size(), 1u);
    EXPECT_EQ(warnings.Seen[0], std::make_pair(InvalidPort, Notice));
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(Form1->ComboBox_QuickServerPort->count(), 3);
}

} // namespace
