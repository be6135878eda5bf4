#include "TrayController.h"

TrayController::TrayController(TrayIcon& icon) : Icon(&icon) {}

void TrayController::UseIcon(TrayIcon& icon) {
    Icon = &icon;
    Icon->SetImage(CurrentImage);
    Icon->SetVisible(Visible);
}

void TrayController::SetImage(int image) {
    CurrentImage = image;
    Icon->SetImage(image);
}

void TrayController::SetBlink(bool on) {
    BlinkOn = on;
    if (on && StartBlink)
        StartBlink();
    if (!on && StopBlink)
        StopBlink();
}

void TrayController::SetVisible(bool visible) {
    Visible = visible;
    Icon->SetVisible(visible);
}

void TrayController::MinimizeToTray() {
    Tray = true;
    if (Icon->Available()) {
        if (HideWindow)
            HideWindow();
    } else if (MinimizeWindow) {
        MinimizeWindow();
    }
    if (!Visible)
        SetVisible(true);
    const BusyState busy = Busy ? Busy() : BusyState{};
    // A paused scan alone is not work going on.
    if ((busy.Searching && !busy.SearchPaused) || busy.AutoRefreshOn || busy.AutoJoinRunning) {
        SetBlink(true);
    } else {
        SetBlink(false);
        SetImage(NormalImage);
    }
}

void TrayController::RestoreFromTray() {
    Tray = false;
    if (RestoreWindow)
        RestoreWindow();
    SetBlink(false);
    if (Visible)
        SetVisible(false);
}

void TrayController::Timer_IconChangeTimer() {
    const BusyState busy = Busy ? Busy() : BusyState{};
    if (busy.Searching || busy.AutoRefreshOn || busy.AutoJoinRunning)
        SetImage(CurrentImage == NormalImage ? BlinkImage : NormalImage);
    else
        SetImage(NormalImage);
}

void TrayController::StopBlinking() {
    SetBlink(false);
    SetImage(NormalImage);
}

void TrayController::ShowIcon() {
    if (!Visible)
        SetVisible(true);
}

bool TrayController::SystemMinimize() {
    if (!Visible || !Icon->Available() || Tray)
        return false;
    MinimizeToTray();
    return true;
}
