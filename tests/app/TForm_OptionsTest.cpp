#include "TForm_Options.h"
#include "AppFixture.h"
#include "Application.h"
#include "Dialogs.h"
#include "Gbk.h"
#include "TForm1.h"
#include "TUpDown.h"
#include "WidgetText.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// Every key of the file after the first run, in file order.
const char* const FileOrder[] = {
    "[SearchRange]",
    "FromIP=127.77.0.1", // the test programs' own network (FakeNetworkInterfaces.h)
    "ToIP=127.77.0.254",
    "[SearchPorts]",
    "Port0=27015",
    "Port5=27020",
    "[ModulePath]",
    "PathCS1.5=",
    "PathCS1.6=",
    "PathCD=",
    "PathOther=",
    "Parameter1.5=-console -game cstrike",
    "Parameter1.6=-game cstrike",
    "[RunSettings]",
    "RunCD=1",
    "RunOther=0",
    "PauseSearching=1",
    "StopRefreshing=1",
    "Minimize=1",
    "[AutoActions]",
    "Interval=1",
    "Margin=0",
    "Confirm=1",
    "[Result]",
    "Filter1=1",
    "Filter2=1",
    "Filter3=1",
    "[Favorite]",
    "Synchronize=1",
    "Filter1=1",
    "Filter2=1",
    "Filter3=1",
    "[WindowStates]",
    "MainOnTop=0",
    "RemWindowStates=0",
    "Panel_ServerInfoVisible=1",
    "GroupBox_FavoriteVisible=1",
    "MainPosX=101",
    "MainPosY=125",
    "MainWidth=895",
    "MainHeight=602",
    "Panel_ServerInfoWidth=219",
    "GroupBox_FavoriteHeight=289",
};

bool OptionsEqual(const OptionValues& a, const OptionValues& b) {
    return a.PathCS15 == b.PathCS15 && a.PathCS16 == b.PathCS16 && a.PathCD == b.PathCD &&
           a.PathOther == b.PathOther && a.Parameter15 == b.Parameter15 &&
           a.Parameter16 == b.Parameter16 && a.CheckBox == b.CheckBox && a.Interval == b.Interval &&
           a.Margin == b.Margin;
}

// Non-default values for every option control.
OptionValues Edited() {
    OptionValues v;
    v.PathCS15 = "/games/cs15/hl.exe";
    v.PathCS16 = G("/游戏/cs16/hl.exe");
    v.PathCD = "/tools/cd.exe";
    v.PathOther = "/tools/other.bat";
    v.Parameter15 = "-console";
    v.Parameter16 = G("-game cstrike -名字");
    for (int n = 1; n <= 15; ++n)
        v.CheckBox[n] = (n % 2) == 0;
    v.Interval = "37";
    v.Margin = "3";
    return v;
}

class Options : public ::testing::Test {
protected:
    void CreateQuietly() {
        if (!std::filesystem::exists(App.Dir.File("Quarrix.ini")))
            App.WriteIni("WindowStates/RemWindowStates=0\n");
        App.Create();
    }
    AppFixture App;
};

} // namespace

TEST_F(Options, FirstRunWritesTheDefaultsAndShowsTheDialogBeforeTheMainWindow) {
    bool mainWindowShown = true;
    QWidget* modal = nullptr;
    int page = -1;
    App.Create([&](QWidget* w) {
        modal = w;
        mainWindowShown = Form1->isVisible();
        page = Form_Options->suiPageControl1->currentIndex();
        EXPECT_EQ(Form_Options->focusWidget(), Form_Options->suiButton_Cancel);
        Form_Options->suiButton_Cancel->click();
    });
    EXPECT_EQ(modal, Form_Options);
    EXPECT_FALSE(mainWindowShown);
    EXPECT_EQ(page, 0);
    const std::string ini = App.Ini();
    size_t at = 0;
    for (const char* line : FileOrder) {
        const size_t found = ini.find(std::string(line) + "\r\n", at);
        ASSERT_NE(found, std::string::npos) << line;
        at = found;
    }
    // The first run offers the usual server ports.
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(App.IniValue("SearchPorts", "Port" + std::to_string(i)),
                  i < 6 ? std::to_string(27015 + i) : "");
    EXPECT_EQ(Form_Options->IniStructure[SlotRunCD], "1");
    EXPECT_EQ(Form_Options->IniStructure[SlotParameter15], "-console -game cstrike");
}

TEST_F(Options, PagesAndControlsInTheirOrder) {
    CreateQuietly();
    TForm_Options* o = Form_Options;
    EXPECT_EQ(o->windowTitle(), QStringLiteral("设置"));
    EXPECT_EQ(o->size(), QSize(443, 288));
    const char* pages[][2] = {{"suiTabSheet1", "路径"},     {"suiTabSheet2", "运行"},
                              {"suiTabSheet3", "自动"},     {"suiTabSheet5", "搜索"},
                              {"suiTabSheet6", "我的收藏"}, {"suiTabSheet4", "用户界面"}};
    ASSERT_EQ(o->suiPageControl1->count(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(o->suiPageControl1->widget(i)->objectName(), QString::fromLatin1(pages[i][0]));
        EXPECT_EQ(o->suiPageControl1->tabText(i), QString::fromUtf8(pages[i][1]));
    }
    const char* boxes[16] = {nullptr,
                             "运行 CS 之前先运行 Cheating-Death",
                             "运行 CS 之前先运行第三方工具",
                             "运行 CS 之前暂停服务器搜索任务",
                             "运行 CS 之前中止所有服务器信息的获取和刷新",
                             "记住上一次主窗口的状态",
                             "总在最前",
                             "运行 CS 之前主窗口最小化到系统托盘",
                             "显示 CS 1.5 服务器",
                             "显示 CS 1.6 服务器",
                             "过滤重复服务器",
                             "启动时刷新服务器列表信息",
                             "搜索 CS 1.5 服务器",
                             "搜索 CS 1.6 服务器",
                             "过滤重复服务器",
                             "自动加入之前要求用户确认"};
    for (int n = 1; n <= 15; ++n) {
        SCOPED_TRACE(n);
        QCheckBox* box = o->findChild<QCheckBox*>(QStringLiteral("suiCheckBox%1").arg(n));
        ASSERT_EQ(box, o->CheckBox[n]);
        EXPECT_EQ(box->text(), QString::fromUtf8(boxes[n]));
        EXPECT_EQ(box->isEnabled(), n != 10 && n != 14);
        EXPECT_EQ(box->isHidden(), n == 6);
    }
    for (const char* name : {"suiEdit1", "suiEdit2", "suiEdit3", "suiEdit4", "Edit_AutoInterval"})
        EXPECT_TRUE(o->findChild<QLineEdit*>(QString::fromLatin1(name))->isReadOnly()) << name;
    for (const char* name : {"suiEdit5", "suiEdit6"})
        EXPECT_FALSE(o->findChild<QLineEdit*>(QString::fromLatin1(name))->isReadOnly()) << name;
    for (const char* name : {"suiEdit1", "suiEdit2", "suiEdit3", "suiEdit4", "suiEdit5", "suiEdit6",
                             "Edit_AutoInterval", "ComboBox_Margin", "suiButton1", "suiButton2",
                             "suiButton3", "suiButton4", "Button_Default", "Button_DefaultAll",
                             "suiButton_OK", "suiButton_Cancel", "UpDown_AutoRefreshInterval"})
        EXPECT_FALSE(o->findChild<QWidget*>(QString::fromLatin1(name))->accessibleName().isEmpty())
            << name;
    EXPECT_EQ(o->suiButton_OK->text(), QStringLiteral("确定"));
    EXPECT_EQ(o->Button_DefaultAll->text(), QStringLiteral("默认全部"));
    EXPECT_EQ(o->ComboBox_Margin->count(), 5);
    EXPECT_EQ(o->ComboBox_Margin->itemText(4), QStringLiteral("4"));
    EXPECT_EQ(
        o->OpenDialog1->nameFilters(),
        (QStringList{QStringLiteral("hl.exe (hl.exe)"), QStringLiteral("Steam (steam hl_linux)")}));
    EXPECT_EQ(o->OpenDialog2->nameFilters().size(), 3);
    EXPECT_EQ(o->OpenDialog2->defaultSuffix(), QStringLiteral("exe"));
}

TEST_F(Options, IntervalStepsBetweenOneAndHundredWithoutWrapping) {
    CreateQuietly();
    TForm_Options* o = Form_Options;
    o->Edit_AutoInterval->setText(QStringLiteral("1"));
    QTest::mouseClick(o->UpDown_AutoRefreshInterval->DownButton(), Qt::LeftButton);
    EXPECT_EQ(o->Edit_AutoInterval->text(), QStringLiteral("1"));
    QTest::mouseClick(o->UpDown_AutoRefreshInterval->UpButton(), Qt::LeftButton);
    EXPECT_EQ(o->Edit_AutoInterval->text(), QStringLiteral("2"));
    o->Edit_AutoInterval->setText(QStringLiteral("100"));
    o->UpDown_AutoRefreshInterval->Step(1);
    EXPECT_EQ(o->Edit_AutoInterval->text(), QStringLiteral("100"));
    o->UpDown_AutoRefreshInterval->Step(-1);
    EXPECT_EQ(o->Edit_AutoInterval->text(), QStringLiteral("99"));
}

TEST_F(Options, OkWritesEveryKeyAndARestartReadsItAllBack) {
    CreateQuietly();
    App.Show();
    int rebuilds = 0;
    Form1->Hooks.RebuildFavoritesView = [&] { ++rebuilds; };
    Form1->Hooks.ReadPlayerName = [] { return std::string("Bob"); };
    Form1->Edit_FromIP->setText(QStringLiteral("127.40.2.1"));
    Form1->Edit_ToIP->setText(QStringLiteral("127.40.2.200"));
    Form1->PortList = {27015, 27020, 27030};
    Form1->move(50, 60);
    Form1->resize(990, 640);
    QApplication::processEvents();
    Form1->SetServerInfoWidth(240);
    Form1->SetFavoriteHeight(180);
    Form1->M1->trigger();
    QApplication::processEvents();

    const OptionValues edited = Edited();
    Form_Options->SetControlValues(edited);
    Form_Options->CheckBox[5]->setChecked(true); // remember the window state
    Form_Options->CheckBox[6]->setChecked(true); // stay on top
    Form_Options->suiButton_OKClick();
    EXPECT_EQ(rebuilds, 1);
    EXPECT_EQ(Form1->Edit_CSName->currentText(), QStringLiteral("Bob"));
    EXPECT_TRUE(Form1->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(Form_Options->IniStructure[SlotInterval], "37");
    EXPECT_EQ(Form_Options->IniStructure[SlotMargin], "3");
    const OptionValues written = Form_Options->ControlValues();

    App.Destroy();
    App.Create();
    App.Show();
    EXPECT_TRUE(OptionsEqual(Form_Options->ControlValues(), written));
    EXPECT_EQ(Form_Options->ControlValues().PathCS16, edited.PathCS16);
    EXPECT_EQ(Form_Options->suiEdit4->text(), QStringLiteral("/游戏/cs16/hl.exe"));
    const IniStructureType& ini = Form_Options->IniStructure;
    EXPECT_EQ(ini[SlotFromIP], "127.40.2.1");
    EXPECT_EQ(ini[SlotToIP], "127.40.2.200");
    EXPECT_EQ(ini.Ports[0], "27015");
    EXPECT_EQ(ini.Ports[2], "27030");
    EXPECT_EQ(ini.Ports[3], "");
    EXPECT_EQ(ini[SlotMainPosX], "50");
    EXPECT_EQ(ini[SlotMainWidth], "990");
    EXPECT_EQ(ini[SlotPanelServerInfoWidth], "240");
    EXPECT_EQ(ini[SlotGroupBoxFavoriteVisible], "0");
    EXPECT_EQ(ini[SlotGroupBoxFavoriteHeight], "180");
    EXPECT_EQ(ini[SlotMainOnTop], "1");
    // The restarted window obeys what was written.
    EXPECT_TRUE(Form1->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(Form1->pos(), QPoint(50, 60));
    EXPECT_EQ(Form1->size(), QSize(990, 640));
    EXPECT_TRUE(Form1->GroupBox_Favorite->isHidden());
    EXPECT_EQ(Form1->Panel_ServerInfo->width(), 240);
    EXPECT_EQ(Form1->Edit_FromIP->text(), QStringLiteral("127.40.2.1"));
    EXPECT_EQ(Form1->ListBox_Ports->count(), 3);
}

TEST_F(Options, DefaultSetsTheShownPageOnlyAndSavesEverything) {
    struct Case {
        int Page;
        std::function<void(OptionValues&)> Expect;
    };
    const std::vector<Case> cases = {
        {0,
         [](OptionValues& v) {
             v.Parameter15 = "-console -game cstrike";
             v.Parameter16 = "-game cstrike";
         }},
        {1,
         [](OptionValues& v) {
             v.CheckBox[1] = v.CheckBox[3] = v.CheckBox[4] = v.CheckBox[7] = true;
             v.CheckBox[2] = false;
         }},
        {2,
         [](OptionValues& v) {
             v.Interval = "1";
             v.Margin = "0";
             v.CheckBox[15] = true;
         }},
        {3, [](OptionValues& v) { v.CheckBox[12] = v.CheckBox[13] = v.CheckBox[14] = true; }},
        {4,
         [](OptionValues& v) {
             v.CheckBox[8] = v.CheckBox[9] = v.CheckBox[10] = v.CheckBox[11] = true;
         }},
        {5, [](OptionValues& v) { v.CheckBox[5] = v.CheckBox[6] = false; }},
    };
    CreateQuietly();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Page);
        OptionValues before = Edited();
        before.CheckBox[5] = before.CheckBox[6] = true;
        Form_Options->SetControlValues(before);
        Form_Options->suiPageControl1->setCurrentIndex(c.Page);
        Form_Options->Button_DefaultClick();
        OptionValues expected = before;
        c.Expect(expected);
        EXPECT_TRUE(OptionsEqual(Form_Options->ControlValues(), expected));
        // The file holds every control, the untouched pages' edits included.
        EXPECT_EQ(App.IniValue("ModulePath", "PathCS1.5"), "/games/cs15/hl.exe");
        EXPECT_EQ(App.IniValue("AutoActions", "Interval"), expected.Interval);
        EXPECT_EQ(App.IniValue("ModulePath", "Parameter1.5"), expected.Parameter15);
        EXPECT_EQ(App.IniValue("RunSettings", "RunOther"), expected.CheckBox[2] ? "1" : "0");
    }
    // Default does not re-read the record.
    EXPECT_EQ(Form_Options->IniStructure[SlotPathCS15], "");
}

TEST_F(Options, DefaultAllResetsEveryControlButThePathsAndSaves) {
    CreateQuietly();
    Form_Options->SetControlValues(Edited());
    Form_Options->Button_DefaultAll->click();
    OptionValues expected = Edited();
    ResetOptionValues(expected);
    EXPECT_TRUE(OptionsEqual(Form_Options->ControlValues(), expected));
    EXPECT_EQ(expected.PathCS15, "/games/cs15/hl.exe");
    EXPECT_EQ(App.IniValue("AutoActions", "Margin"), "0");
    EXPECT_EQ(App.IniValue("ModulePath", "PathOther"), "/tools/other.bat");
}

TEST_F(Options, CancelKeepsTheEditsAndTheExitSaveWritesThem) {
    CreateQuietly();
    App.Show();
    const std::string before = App.Ini();
    Find<QToolButton>("ToolButton_Options")->click();
    ASSERT_TRUE(Form_Options->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), Form_Options);
    Find<QCheckBox>("suiCheckBox2")->setChecked(true);
    Find<QLineEdit>("suiEdit5")->setText(QStringLiteral("-edited"));
    Find<QPushButton>("suiButton_Cancel")->click();
    EXPECT_FALSE(Form_Options->isVisible());
    EXPECT_EQ(Form_Options->IniStructure[SlotRunOther], "0") << "Cancel re-reads nothing";
    EXPECT_EQ(App.Ini(), before) << "Cancel writes nothing";
    Form1->close();
    EXPECT_EQ(App.IniValue("RunSettings", "RunOther"), "1");
    EXPECT_EQ(App.IniValue("ModulePath", "Parameter1.5"), "-edited");
}

TEST_F(Options, OpeningReloadsFromTheFileOnTheLastPageWithFocusOnCancel) {
    CreateQuietly();
    App.Show();
    Form_Options->suiPageControl1->setCurrentIndex(3);
    Form_Options->CheckBox[12]->setChecked(false); // an edit left after a Cancel
    App.WriteIni("WindowStates/RemWindowStates=0\nAutoActions/Interval=42\n");
    Find<QAction>("Options1")->trigger();
    ASSERT_TRUE(Form_Options->isVisible());
    EXPECT_EQ(Find<QTabWidget>("suiPageControl1")->currentIndex(), 3);
    EXPECT_EQ(Find<QLineEdit>("Edit_AutoInterval")->text(), QStringLiteral("42"));
    EXPECT_EQ(Form_Options->focusWidget(), Find<QPushButton>("suiButton_Cancel"));
    EXPECT_TRUE(Find<QCheckBox>("suiCheckBox12")->isChecked());
    Find<QPushButton>("suiButton_Cancel")->click();
    EXPECT_EQ(Form_Options->IniStructure[SlotInterval], "42");
}

TEST_F(Options, PickingANewGamePathImportsItsFavoritesAtOnce) {
    CreateQuietly();
    const std::string folder = App.Dir.File("cs16");
    std::filesystem::create_directory(folder);
    App.Dir.Write("cs16/hl.exe", "");
    std::vector<std::pair<std::string, std::string>> imports;
    Form_Options->LoadFavoritesFile = [&](const std::string& path, const std::string& tag) {
        imports.emplace_back(path, tag);
    };
    auto pick = [&](const std::string& file) {
        WhenModal([file](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            // Typed into the name box, as a user would; the folder model loads lazily.
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            name->setText(QString::fromStdString(file));
            static_cast<QDialog*>(dialog)->accept();
        });
        Form_Options->suiButton4->click();
    };
    pick(folder + "/hl.exe");
    ASSERT_EQ(imports.size(), 1u);
    EXPECT_EQ(imports[0].first, folder + "/favsvrs.dat");
    EXPECT_EQ(imports[0].second, "47");
    EXPECT_EQ(Form_Options->suiEdit4->text(), QString::fromStdString(folder + "/hl.exe"));
    // The same file again, answered through the file dialog hook: nothing is imported.
    Dialogs::SetNextFileName(QString::fromStdString(folder + "/hl.exe"));
    Find<QPushButton>("suiButton4")->click();
    EXPECT_EQ(imports.size(), 1u);
    EXPECT_EQ(Dialogs::PendingFileNames(), 0);
    // A cancelled pick keeps the path.
    Dialogs::SetNextFileName(QString());
    Find<QPushButton>("suiButton4")->click();
    EXPECT_EQ(Form_Options->suiEdit4->text(), QString::fromStdString(folder + "/hl.exe"));
}
