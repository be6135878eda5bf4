#pragma once

#include "AddressCheck.h"
#include "Clock.h"
#include "SearchLog.h"
#include "SearchThread.h"

#include "WorkerBridge.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The scan's states as the window shows them.
enum class SearchState { Idle, Running, Paused, Stopping };

// Which hidden image lends Button_Begin its glyph.
enum class BeginGlyph { Image1, Image2 };

// What the search controls show in a state.
struct SearchViewState {
    SearchState State = SearchState::Idle;
    std::string BeginCaption; // GBK: "开始", "暂停" or "继续"
    BeginGlyph Glyph = BeginGlyph::Image2;
    bool BoxesEnabled = true; // Edit_FromIP, Edit_ToIP, ComboBox_Port
    bool StopEnabled = false; // Button_Stop
};

// The controls' look for a state: idle and stopping look the same.
SearchViewState ViewStateOf(SearchState state);

// The one bridge between the SearchThread and the window: runs on the UI thread, starts,
// pauses, continues and stops the worker, copies its progress into the scan log and the
// progress bar at display rate, and writes the final lines when the walk has ended.
// Every view update goes out through the std::function members; nothing here touches a
// widget.
class SearchController : public QObject {
    Q_OBJECT
public:
    // At most about 60 view updates a second while a scan runs.
    static constexpr int DisplayIntervalMs = 16;

    enum class BeginResult { Started, Paused, Continued, Refused };

    SearchController(SearchThread::SendFunction send, const Clock& clock = CurrentClock(),
                     QObject* parent = nullptr);
    // Stops the worker before its next request, releases a pause and joins it before any
    // member goes away.
    ~SearchController() override;

    // How the worker keeps its pace to the answers' intake (see SearchThread::SetPace).
    void SetPace(SearchThread::PaceFunction pace) { Worker.SetPace(std::move(pace)); }

    // Button_BeginClick: pauses a running scan, continues a paused one, otherwise starts
    // one after the checks (no ports: invalid-port message; then From and To with the
    // first port). fromText and toText are the boxes' texts; on Started they hold what the
    // boxes must show (exchanged when the range was entered downwards, see RangeSwapped).
    BeginResult Begin(std::string& fromText, std::string& toText,
                      const std::vector<int32_t>& portList);
    // Button_StopClick: asks the worker to stop after its current address, releases a
    // pause, and shows the idle controls at once.
    void Stop();
    // Pauses a running scan (the join action's PauseSearching); nothing otherwise.
    void Pause();
    // Memo_SearchLogDblClick: empties the log, at any time.
    void ClearLog();

    SearchState State() const { return CurrentState; }
    bool Searching() const {
        return CurrentState == SearchState::Running || CurrentState == SearchState::Paused;
    }
    bool SearchPaused() const { return CurrentState == SearchState::Paused; }
    // The walk was told to stop; read by its pacing on the worker thread.
    bool Stopping() const { return Worker.Stopping(); }
    // True while a worker thread is alive (also while stopping).
    bool WorkerActive() const { return Worker.Active(); }
    const SearchLog& Log() const { return TheLog; }
    uint32_t ProgressPosition() const { return Position; }
    const AddressPort& FromAddress() const { return FromAddressValue; }
    const AddressPort& ToAddress() const { return ToAddressValue; }
    uint32_t RangeStart() const { return Range.RangeStart; }
    uint32_t RangeEnd() const { return Range.RangeEnd; }
    bool RangeSwapped() const { return Swapped; }
    // True when the latest scan (running or ended) asked host:port: the address within
    // its range, the port in its list.
    bool Covers(const std::string& host, int port) const;
    uint32_t SearchStartTick() const { return StartTick; }
    uint32_t SearchEndTick() const { return EndTick; }

    // View callbacks, all called on the UI thread.
    std::function<void(const SearchLog&)> LogChanged;
    std::function<void(uint32_t position)> ProgressChanged;
    std::function<void(const SearchViewState&)> StateChanged;
    // A message to show: MessageTable index and caption index.
    std::function<void(int message, int caption)> ShowMessage;
    // After the final lines of a walk have been written.
    std::function<void()> Finished;

private:
    void SetState(SearchState state);
    void SetPosition(uint32_t position);
    // Copies the worker's latest request into the log and the bar.
    void ShowLatest();
    void OnWalkFinished(uint64_t generation);
    bool CheckAddress(const std::string& text, const std::string& port, AddressPort& out);

    SearchThread Worker;
    const Clock& TheClock;
    // Carries the worker's end notice to the UI thread (the worker is joined before it goes).
    WorkerBridge Bridge{nullptr};
    QTimer DisplayTimer;
    SearchLog TheLog;
    SearchState CurrentState = SearchState::Idle;
    SearchRange Range;
    AddressPort FromAddressValue{};
    AddressPort ToAddressValue{};
    bool Swapped = false;
    uint32_t Position = 0;
    uint32_t StartTick = 0;
    uint32_t EndTick = 0;
    uint64_t ShownCount = 0;
    // Counts started walks, so the end of an older walk never touches a newer one.
    uint64_t Generation = 0;
};
