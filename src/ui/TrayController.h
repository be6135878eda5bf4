#pragma once

#include <functional>

// The notification-area icon as the tray logic uses it; a fake stands in for tests.
class TrayIcon {
public:
    virtual ~TrayIcon() = default;
    // False where the desktop has no notification area: the window then minimises to the
    // task bar instead, so it can always be brought back.
    virtual bool Available() const = 0;
    virtual void SetVisible(bool visible) = 0;
    // 0 the normal picture, 1 the alternate one of the blink.
    virtual void SetImage(int image) = 0;
};

// What keeps the program busy in the background, which makes the tray icon blink.
struct BusyState {
    bool Searching = false;
    bool SearchPaused = false;
    bool AutoRefreshOn = false;
    bool AutoJoinRunning = false;
};

// The window living in the tray: minimise to it and restore from it, the icon shown only
// meanwhile, and the 500 ms blink while a scan, the continuous refresh or the auto-join
// runs. Every effect goes through the icon interface and the std::function members.
class TrayController {
public:
    static constexpr int BlinkMs = 500;
    static constexpr int NormalImage = 0, BlinkImage = 1;

    explicit TrayController(TrayIcon& icon);
    // Drives another icon from now on (a stand-in tray where the desktop has none); the
    // caller keeps it alive. The new icon takes the current picture and visibility.
    void UseIcon(TrayIcon& icon);

    // The window and its task-bar entry leave the screen; the icon shows and blinks when
    // busy. Without a notification area the window is minimised to the task bar.
    void MinimizeToTray();
    // The window comes back to the foreground; the blink stops and the icon goes.
    void RestoreFromTray();
    // Timer_IconChange: alternate the pictures while busy, the normal one otherwise.
    void Timer_IconChangeTimer();
    // The join's preparation: blink off, the normal picture.
    void StopBlinking();
    // Makes the icon visible if it is hidden (after a cancelled auto-join prompt).
    void ShowIcon();
    // A minimise asked by the system (title bar): the tray road while the icon is shown and
    // the desktop has a notification area; false when it stays an ordinary minimise.
    bool SystemMinimize();

    bool InTray() const { return Tray; }
    bool IconVisible() const { return Visible; }
    bool Blinking() const { return BlinkOn; }
    int Image() const { return CurrentImage; }

    std::function<BusyState()> Busy;
    std::function<void()> HideWindow;            // window and task-bar entry hidden
    std::function<void()> MinimizeWindow;        // an ordinary minimise to the task bar
    std::function<void()> RestoreWindow;         // shown normally and brought to the foreground
    std::function<void()> StartBlink, StopBlink; // Timer_IconChange on and off

private:
    void SetImage(int image);
    void SetBlink(bool on);
    void SetVisible(bool visible);

    TrayIcon* Icon;
    bool Tray = false;
    bool Visible = false;
    bool BlinkOn = false;
    int CurrentImage = NormalImage;
};
