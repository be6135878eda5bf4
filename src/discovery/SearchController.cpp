#include "SearchController.h"

#include "Gbk.h"
#include "MessageTable.h"

#include <algorithm>
#include <system_error>
#include <utility>

SearchViewState ViewStateOf(SearchState state) {
    SearchViewState view;
    view.State = state;
    switch (state) {
    case SearchState::Running:
        view.BeginCaption = G("暂停");
        view.Glyph = BeginGlyph::Image1;
        view.BoxesEnabled = false;
        view.StopEnabled = true;
        break;
    case SearchState::Paused:
        view.BeginCaption = G("继续");
        view.Glyph = BeginGlyph::Image2;
        view.BoxesEnabled = false;
        view.StopEnabled = true;
        break;
    case SearchState::Idle:
    case SearchState::Stopping:
        view.BeginCaption = G("开始");
        view.Glyph = BeginGlyph::Image2;
        view.BoxesEnabled = true;
        view.StopEnabled = false;
        break;
    }
    return view;
}

SearchController::SearchController(SearchThread::SendFunction send, const Clock& clock,
                                   QObject* parent)
    : QObject(parent), Worker(std::move(send), clock), TheClock(clock) {
    DisplayTimer.setInterval(DisplayIntervalMs);
    connect(&DisplayTimer, &QTimer::timeout, this, [this] { ShowLatest(); });
}

SearchController::~SearchController() {
    DisplayTimer.stop();
    Worker.Abort();
    Worker.Join();
}

bool SearchController::CheckAddress(const std::string& text, const std::string& port,
                                    AddressPort& out) {
    const AddressCheck check = ParseAddressPort(Trim(text), port, out);
    if (check == AddressCheck::Ok)
        return true;
    if (ShowMessage)
        ShowMessage(check == AddressCheck::BadPort ? MsgInvalidPort : MsgInvalidAddress, MsgNotice);
    return false;
}

SearchController::BeginResult SearchController::Begin(std::string& fromText, std::string& toText,
                                                      const std::vector<int32_t>& portList) {
    if (CurrentState == SearchState::Running) {
        Worker.Pause();
        SetState(SearchState::Paused);
        return BeginResult::Paused;
    }
    if (CurrentState == SearchState::Paused) {
        Worker.Continue();
        SetState(SearchState::Running);
        return BeginResult::Continued;
    }
    Swapped = false;
    if (portList.empty()) {
        if (ShowMessage)
            ShowMessage(MsgInvalidPort, MsgNotice);
        return BeginResult::Refused;
    }
    const std::string port = std::to_string(portList.front());
    AddressPort from{}, to{};
    if (!CheckAddress(fromText, port, from) || !CheckAddress(toText, port, to))
        return BeginResult::Refused;
    FromAddressValue = from;
    ToAddressValue = to;
    Range.RangeStart = AddressNumber(from);
    Range.RangeEnd = AddressNumber(to);
    if (Range.RangeEnd < Range.RangeStart) {
        std::swap(Range.RangeStart, Range.RangeEnd);
        std::swap(FromAddressValue, ToAddressValue);
        std::swap(fromText, toText);
        Swapped = true;
    }
    Range.PortList = portList;

    // A walk that is still finishing its last address must end before the next one
    // starts; its late end notice is then ignored by generation.
    Worker.RequestStop();
    Worker.Join();

    TheLog.Reset();
    ShownCount = 0;
    if (LogChanged)
        LogChanged(TheLog);
    SetPosition(0);
    SetState(SearchState::Running);
    StartTick = TheClock.TickCount();
    const uint64_t generation = ++Generation;
    try {
        Worker.Start(Range, [this, generation] {
            Bridge.Post([this, generation] { OnWalkFinished(generation); });
        });
    } catch (const std::system_error&) {
        // No thread, so nothing will ever end this scan: go back to rest at once.
        SetState(SearchState::Idle);
        if (ShowMessage)
            ShowMessage(MsgThreadFailed, MsgError);
        return BeginResult::Refused;
    }
    DisplayTimer.start();
    return BeginResult::Started;
}

bool SearchController::Covers(const std::string& host, int port) const {
    AddressPort a{};
    if (Range.PortList.empty() ||
        ParseAddressPort(host, std::to_string(port), a) != AddressCheck::Ok)
        return false;
    const uint32_t address = AddressNumber(a);
    return address >= Range.RangeStart && address <= Range.RangeEnd &&
           std::find(Range.PortList.begin(), Range.PortList.end(), port) != Range.PortList.end();
}

void SearchController::Stop() {
    if (CurrentState != SearchState::Running && CurrentState != SearchState::Paused)
        return;
    Worker.RequestStop();
    SetPosition(0);
    SetState(Worker.Active() ? SearchState::Stopping : SearchState::Idle);
}

void SearchController::Pause() {
    if (CurrentState != SearchState::Running)
        return;
    Worker.Pause();
    SetState(SearchState::Paused);
}

void SearchController::ClearLog() {
    TheLog.Clear();
    if (LogChanged)
        LogChanged(TheLog);
}

void SearchController::SetState(SearchState state) {
    CurrentState = state;
    if (StateChanged)
        StateChanged(ViewStateOf(state));
}

void SearchController::SetPosition(uint32_t position) {
    if (position == Position)
        return;
    Position = position;
    if (ProgressChanged)
        ProgressChanged(position);
}

void SearchController::ShowLatest() {
    const SearchThread::Snapshot latest = Worker.Latest();
    if (latest.Count == ShownCount)
        return;
    ShownCount = latest.Count;
    TheLog.ShowRequest(AddressText(latest.Address), latest.Port, latest.Count);
    if (LogChanged)
        LogChanged(TheLog);
    // After a stop the bar stays at 0 while the worker finishes its address.
    if (CurrentState == SearchState::Running || CurrentState == SearchState::Paused)
        SetPosition(latest.Position);
}

void SearchController::OnWalkFinished(uint64_t generation) {
    if (generation != Generation)
        return;
    Worker.Join();
    DisplayTimer.stop();
    ShowLatest();
    EndTick = Worker.EndTick();
    TheLog.ShowFinish(EndTick - StartTick);
    if (LogChanged)
        LogChanged(TheLog);
    SetPosition(0);
    SetState(SearchState::Idle);
    if (Finished)
        Finished();
}
