#include "TrayController.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

class FakeTrayIcon : public TrayIcon {
public:
    bool Available() const override { return Present; }
    void SetVisible(bool visible) override { Visible = visible; }
    void SetImage(int image) override { Images.push_back(image); }
    bool Present = true;
    bool Visible = false;
    std::vector<int> Images;
};

class Tray : public ::testing::Test {
protected:
    Tray() : Controller(Icon) {
        Controller.Busy = [this] { return Busy; };
        Controller.HideWindow = [this] { Window.push_back("hidden"); };
        Controller.MinimizeWindow = [this] { Window.push_back("task bar"); };
        Controller.RestoreWindow = [this] { Window.push_back("restored"); };
        Controller.StartBlink = [this] { Timer = true; };
        Controller.StopBlink = [this] { Timer = false; };
    }
    // The pictures shown by n ticks of the blink timer.
    std::vector<int> Ticks(int n) {
        Icon.Images.clear();
        for (int i = 0; i < n; ++i)
            Controller.Timer_IconChangeTimer();
        return Icon.Images;
    }
    FakeTrayIcon Icon;
    TrayController Controller;
    BusyState Busy;
    bool Timer = false;
    std::vector<std::string> Window;
};

struct BlinkCase {
    const char* Name;
    BusyState Busy;
    bool BlinksOnMinimize;  // the minimise starts the timer
    std::vector<int> Ticks; // what three ticks show while it runs
};

void PrintTo(const BlinkCase& c, std::ostream* os) {
    *os << c.Name;
}

class Blink : public Tray, public ::testing::WithParamInterface<BlinkCase> {};

TEST_P(Blink, MinimizeBlinksOnlyWhileWorkGoesOn) {
    const BlinkCase& c = GetParam();
    Busy = c.Busy;
    Controller.MinimizeToTray();
    EXPECT_EQ(Window, std::vector<std::string>{"hidden"});
    EXPECT_TRUE(Icon.Visible);
    EXPECT_TRUE(Controller.InTray());
    EXPECT_EQ(Timer, c.BlinksOnMinimize);
    if (!c.BlinksOnMinimize) {
        EXPECT_EQ(Controller.Image(), TrayController::NormalImage);
    }
    EXPECT_EQ(Ticks(3), c.Ticks);
}

INSTANTIATE_TEST_SUITE_P(
    Tray, Blink,
    ::testing::Values(BlinkCase{"Idle", {}, false, {0, 0, 0}},
                      BlinkCase{"ScanRunning", {true, false, false, false}, true, {1, 0, 1}},
                      // A paused scan starts no blink, though a running timer would alternate.
                      BlinkCase{"ScanPaused", {true, true, false, false}, false, {1, 0, 1}},
                      BlinkCase{"ContinuousRefresh", {false, false, true, false}, true, {1, 0, 1}},
                      BlinkCase{"AutoJoinWaiting", {false, false, false, true}, true, {1, 0, 1}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(Tray, RestoreStopsTheBlinkAndRemovesTheIcon) {
    Busy.Searching = true;
    Controller.MinimizeToTray();
    Ticks(1);
    EXPECT_EQ(Controller.Image(), TrayController::BlinkImage);
    Controller.RestoreFromTray();
    EXPECT_EQ(Window, (std::vector<std::string>{"hidden", "restored"}));
    EXPECT_FALSE(Timer);
    EXPECT_FALSE(Icon.Visible);
    EXPECT_FALSE(Controller.InTray());
    // Work that ended while the timer ran leaves the normal picture.
    Controller.MinimizeToTray();
    Busy.Searching = false;
    EXPECT_EQ(Ticks(2), (std::vector<int>{0, 0}));
}

TEST_F(Tray, WithoutANotificationAreaTheWindowGoesToTheTaskBar) {
    Icon.Present = false;
    Controller.MinimizeToTray();
    EXPECT_EQ(Window, std::vector<std::string>{"task bar"});
    EXPECT_FALSE(Controller.SystemMinimize());
    Controller.RestoreFromTray();
    EXPECT_EQ(Window.back(), "restored");
}

// A stand-in tray takes over where the icon is: shown, with the picture of the moment,
// and the tray road follows what the new icon says about the desktop.
TEST_F(Tray, AnotherIconTakesOverTheStateAndDecidesTheRoad) {
    Icon.Present = false;
    Controller.ShowIcon();
    Controller.Timer_IconChangeTimer();
    FakeTrayIcon other;
    Controller.UseIcon(other);
    EXPECT_TRUE(other.Visible);
    EXPECT_EQ(other.Images, std::vector<int>{TrayController::NormalImage});
    Controller.MinimizeToTray();
    EXPECT_EQ(Window, std::vector<std::string>{"hidden"});
    Controller.RestoreFromTray();
    EXPECT_FALSE(other.Visible);
    EXPECT_TRUE(Icon.Visible) << "the old icon is left alone";
}

TEST_F(Tray, SystemMinimizeTakesTheTrayRoadOnlyWhileTheIconShows) {
    EXPECT_FALSE(Controller.SystemMinimize());
    EXPECT_TRUE(Window.empty());
    Controller.ShowIcon(); // after a cancelled auto-join prompt
    EXPECT_TRUE(Icon.Visible);
    EXPECT_TRUE(Controller.SystemMinimize());
    EXPECT_EQ(Window, std::vector<std::string>{"hidden"});
    Busy.AutoRefreshOn = true;
    Controller.MinimizeToTray();
    EXPECT_TRUE(Timer);
    Controller.StopBlinking(); // the join's preparation
    EXPECT_FALSE(Timer);
    EXPECT_EQ(Controller.Image(), TrayController::NormalImage);
}

} // namespace
