// Server discovery wired into the main window: the range boxes and their coupling, the
// port editor, the scan controls with their log and progress bar, the intake of NMUDP1's
// answers and the manual add. The rules live in the discovery library; this file only
// moves texts between it and the controls.
#include "TForm1.h"

#include "A2sProtocol.h"
#include "AddressCheck.h"
#include "PortList.h"
#include "PortPanel.h"
#include "QueryProtocol.h"
#include "RowIconDelegate.h"
#include "SearchController.h"
#include "ServerIntake.h"
#include "ServerListModel.h"
#include "TForm_Warnning.h"
#include "TNMUDP.h"
#include "WidgetText.h"

#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QToolButton>
#include <QTreeView>

#include <exception>
#include <functional>

namespace {

// Runs an action for the events a control should react to; parented to the control, so
// it goes away with it.
class EventHook : public QObject {
public:
    EventHook(QObject* watched, std::function<bool(QEvent*)> handle)
        : QObject(watched), Handle(std::move(handle)) {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override { return Handle(event); }

private:
    std::function<bool(QEvent*)> Handle;
};

// Enter on the main keyboard or the keypad, whatever modifiers are held.
bool IsEnter(QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

void OnEnter(QObject* control, std::function<void()> action) {
    new EventHook(control, [action = std::move(action)](QEvent* event) {
        if (!IsEnter(event))
            return false;
        action();
        return true;
    });
}

std::vector<std::string> ListItems(const QListWidget* list) {
    std::vector<std::string> items;
    items.reserve(static_cast<size_t>(list->count()));
    for (int i = 0; i < list->count(); ++i)
        items.push_back(FromQ(list->item(i)->text()));
    return items;
}

void SetItems(QComboBox* box, const std::vector<std::string>& items) {
    const QString text = box->currentText();
    QStringList texts;
    for (const std::string& item : items)
        texts << ToQ(item);
    box->clear();
    box->addItems(texts);
    box->setEditText(text);
}

} // namespace

void TForm1::BuildDiscovery() {
    // Range and port boxes.
    connect(Edit_FromIP, &QLineEdit::textChanged, this, [this] { Edit_FromIPChange(); });
    for (QLineEdit* edit : {Edit_FromIP, Edit_ToIP, Edit_Port, Edit_Ports})
        OnEnter(edit, [this] { Button_BeginClick(); });
    for (QComboBox* box : {ComboBox_QuickServerIP, ComboBox_QuickServerPort}) {
        OnEnter(box, [this] { suiButton_AddServerClick(); });
        OnEnter(box->lineEdit(), [this] { suiButton_AddServerClick(); });
    }
    connect(Button_Begin, &QPushButton::clicked, this, [this] { Button_BeginClick(); });
    connect(Button_Stop, &QPushButton::clicked, this, [this] { Button_StopClick(); });
    connect(suiButton_AddServer, &QPushButton::clicked, this,
            [this] { suiButton_AddServerClick(); });
    connect(Button_AddPort, &QToolButton::clicked, this, [this] { Button_AddPortClick(); });
    connect(Button_DelPort, &QToolButton::clicked, this, [this] { Button_DelPortClick(); });
    connect(ComboBox_Port, &PortPanel::Collapsed, this, [this] { ComboBox_PortPush(); });
    Hooks.PortList = [this] { return std::vector<int>(PortList.begin(), PortList.end()); };

    // The results view reads SearchResults row by row and follows its changes once per
    // frame; the group caption follows with it.
    SearchResultsModel = std::make_unique<ServerListModel>(Browser.SearchResults);
    SearchResultsModel->CountChanged = [this](int count) {
        SetCaption(Panel_Server, ToQ(SearchResultsCaption(static_cast<size_t>(count))));
    };
    ListView_Server->setModel(SearchResultsModel.get());
    ListView_Server->setItemDelegate(new RowIconDelegate(ImageList2, ListView_Server));
    ApplyServerColumnWidths(ListView_Server);

    // Both the scan and the manual add send through NMUDP1; without the endpoint (windows
    // made without sockets) a send is lost like any datagram that cannot leave.
    auto send = [this](const std::string& host, int port, std::span<const uint8_t> bytes) {
        if (!NMUDP1)
            return;
        try {
            NMUDP1->SendDatagram(host, port, bytes);
        } catch (const std::exception&) {
            // A refused destination must not end the scan's worker thread.
        }
    };

    Intake = std::make_unique<ServerIntake>(Browser);
    Intake->Send = send;
    Intake->Options = [this] {
        IntakeOptions options;
        options.Filter1 = Setting(SlotResultFilter1);
        options.Filter2 = Setting(SlotResultFilter2);
        return options;
    };
    Intake->Asked = [this](const std::string& host, int port) {
        return Search && Search->Covers(host, port);
    };
    Intake->ShowMessage = [this](int message, int caption) {
        ShowWarning(MessageTable[message], MessageTable[caption]);
    };

    Search = std::make_unique<SearchController>(send, CurrentClock());
    // The scan keeps to the pace at which NMUDP1's answers are read, so none is dropped.
    // A walk told to stop leaves its wait at once, so the UI thread, which joins it before
    // the next scan, never waits on the pace.
    Search->SetPace([this] {
        if (NMUDP1)
            NMUDP1->WaitForReceiveRoom([this] { return Search->Stopping(); });
    });
    // Answers of the last requests that the system dropped are asked for again.
    Search->SetSettle([this] {
        if (NMUDP1)
            NMUDP1->SettlePacedRequests([this] { return Search->Stopping(); });
    });
    Search->LogChanged = [this](const SearchLog& log) {
        QStringList lines;
        for (const std::string& line : log.Lines())
            lines << ToQ(line);
        Memo_SearchLog->setPlainText(lines.join(QLatin1Char('\n')));
        // The newest lines are the ones to read, as in a log that grows at its end.
        Memo_SearchLog->moveCursor(QTextCursor::End);
        Memo_SearchLog->ensureCursorVisible();
    };
    Search->ProgressChanged = [this](uint32_t position) {
        ProgressBar_Search->setValue(static_cast<int>(position));
    };
    Search->StateChanged = [this](const SearchViewState& view) {
        const QString caption = ToQ(view.BeginCaption);
        Button_Begin->setText(caption);
        Button_Begin->setAccessibleName(caption);
        const QLabel* glyph = view.Glyph == BeginGlyph::Image1 ? Image1 : Image2;
        Button_Begin->setIcon(QIcon(glyph->pixmap()));
        Button_Stop->setEnabled(view.StopEnabled);
        Edit_FromIP->setEnabled(view.BoxesEnabled);
        Edit_ToIP->setEnabled(view.BoxesEnabled);
        ComboBox_Port->setEnabled(view.BoxesEnabled);
    };
    Search->ShowMessage = [this](int message, int caption) {
        ShowWarning(MessageTable[message], MessageTable[caption]);
    };

    new EventHook(Memo_SearchLog->viewport(), [this](QEvent* event) {
        if (event->type() != QEvent::MouseButtonDblClick)
            return false;
        Memo_SearchLogDblClick();
        return true;
    });

    // The scan's worker sends through NMUDP1 and must be gone before the endpoints and
    // rows are freed; the controller joins it when it is destroyed.
    Hooks.StopWorkers = [this, previous = Hooks.StopWorkers] {
        if (previous)
            previous();
        Search.reset();
    };
}

void TForm1::ConnectEndpoints() {
    if (!NMUDP1)
        return;
    NMUDP1->OnDataReceived = [this](TNMUDP& sender, int numberBytes, const std::string& fromIP,
                                    int port) {
        if (Intake)
            Intake->NMUDP1DataReceived(sender, numberBytes, fromIP, port);
    };
    // Only info answers (of either dialect, challenges included) count for the scan's
    // pace: a flood of anything else cannot pass for them.
    NMUDP1->SetAnswerTest(&LooksLikeAnyInfoAnswer);
}

void TForm1::Edit_FromIPChange() {
    // Typing one address gives a one-address range.
    Edit_ToIP->setText(Edit_FromIP->text());
}

void TForm1::Button_BeginClick() {
    if (!Search)
        return;
    std::string fromText = FromQ(Edit_FromIP->text());
    std::string toText = FromQ(Edit_ToIP->text());
    const auto result = Search->Begin(fromText, toText, PortList);
    if (result != SearchController::BeginResult::Started)
        return;
    if (Search->RangeSwapped()) {
        // The start box would otherwise copy itself over the end box.
        {
            const QSignalBlocker coupling(Edit_FromIP);
            Edit_FromIP->setText(ToQ(fromText));
        }
        Edit_ToIP->setText(ToQ(toText));
    }
}

void TForm1::Button_StopClick() {
    if (Search)
        Search->Stop();
}

void TForm1::Memo_SearchLogDblClick() {
    if (Search)
        Search->ClearLog();
}

void TForm1::Button_AddPortClick() {
    std::vector<std::string> items = ListItems(ListBox_Ports);
    const std::string text = FromQ(Edit_Port->text());
    const AddPortOutcome outcome = AddPort(items, text);
    if (outcome.ShowInvalidPort())
        ShowWarning(MessageTable[MsgInvalidPort], MessageTable[MsgNotice]);
    if (outcome.ClearEdit())
        Edit_Port->clear();
    if (outcome.Result == AddPortResult::Added)
        ListBox_Ports->insertItem(outcome.InsertedAt,
                                  ToQ(items[static_cast<size_t>(outcome.InsertedAt)]));
}

void TForm1::Button_DelPortClick() {
    std::vector<int> selected;
    for (const QListWidgetItem* item : ListBox_Ports->selectedItems())
        selected.push_back(ListBox_Ports->row(item));
    if (selected.empty())
        return;
    std::vector<std::string> items = ListItems(ListBox_Ports);
    DeletePorts(items, selected);
    ListBox_Ports->clear();
    for (const std::string& item : items)
        ListBox_Ports->addItem(ToQ(item));
}

void TForm1::ComboBox_PortPush() {
    const std::vector<std::string> items = ListItems(ListBox_Ports);
    const PortListRebuild rebuilt = RebuildPortList(items);
    // The list box shows exactly the ports the scan walks, so dropped items leave it too.
    if (rebuilt.Items != items) {
        ListBox_Ports->clear();
        for (const std::string& item : rebuilt.Items)
            ListBox_Ports->addItem(ToQ(item));
    }
    PortList = rebuilt.PortList;
    Edit_Ports->setText(ToQ(rebuilt.Summary));
    // A list longer than the box shows its first ports, and all of them on hovering.
    Edit_Ports->setCursorPosition(0);
    Edit_Ports->setToolTip(Edit_Ports->text());
}

void TForm1::suiButton_AddServerClick() {
    if (!Intake)
        return;
    // The boxes show the trimmed texts before any message about them appears.
    std::string address = Trim(FromQ(ComboBox_QuickServerIP->currentText()));
    std::string port = Trim(FromQ(ComboBox_QuickServerPort->currentText()));
    ComboBox_QuickServerIP->setEditText(ToQ(address));
    ComboBox_QuickServerPort->setEditText(ToQ(port));
    if (!Intake->suiButton_AddServerClick(address, port))
        return;
    SetItems(ComboBox_QuickServerIP, Intake->AddressHistory());
    SetItems(ComboBox_QuickServerPort, Intake->PortHistory());
}
