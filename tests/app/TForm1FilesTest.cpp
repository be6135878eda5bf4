// The window's files as a user meets them: favorites files that cannot be read or written,
// a start that stops early, the game's own favorites, names and paths GBK cannot hold, pipes
// where files should be, and a start folder that cannot be written.
#include "AppFixture.h"
#include "Dialogs.h"
#include "FavoritesFile.h"
#include "Gbk.h"
#include "PipeRescue.h"
#include "TForm1.h"
#include "TForm_Options.h"
#include "TForm_Warnning.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <new>
#include <sys/stat.h>

namespace {

std::string Block(const std::string& ip) {
    return "server\r\n{\r\n\"address\" \"" + ip + "\"\r\n\"port\" \"27015\"\r\n}\r\n";
}

std::string FavoritesBytes(const std::vector<std::string>& ips) {
    std::string bytes = "{\r\n";
    for (const std::string& ip : ips)
        bytes += Block(ip);
    return bytes + "}\r\n";
}

bool Mentions(const QString& text, const std::string& utf8) {
    return text.contains(QString::fromStdString(utf8));
}

// Turns the event loop until `done` holds (at most 5 s).
template <class Done> bool WaitFor(Done done) {
    for (int i = 0; i < 500 && !done(); ++i)
        QTest::qWait(10);
    return done();
}

// Closes every message box the moment it is open with Enter at the focus widget, as a
// user would, and keeps its text. A box whose focus is elsewhere is closed by code (so no
// test waits for ever) and counted.
class BoxCloser {
public:
    BoxCloser() {
        QObject::connect(&Timer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<TForm_Warnning*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            // The keys go where the user's would: to the focus widget of the active box.
            QWidget* focus = QApplication::focusWidget();
            const bool ready = box->isActiveWindow() && focus && box->isAncestorOf(focus);
            if (!ready && ++Waited < 200)
                return;
            Waited = 0;
            Texts.push_back(box->Label_WarnningMsg->text());
            if (ready) {
                QTest::keyClick(focus, Qt::Key_Return);
                return;
            }
            ++KeyMissed;
            box->reject();
        });
        Timer.start(10);
    }
    std::vector<QString> Texts;
    int KeyMissed = 0;

private:
    QTimer Timer;
    int Waited = 0;
};

class Files : public ::testing::Test {
protected:
    // A game folder of the start folder with hl.exe and, when given, cstrike/config.cfg;
    // returns the executable's path.
    std::string InstallGame(const std::string& folder, const std::optional<std::string>& config) {
        std::filesystem::create_directories(App.Dir.File(folder + "/cstrike"));
        App.Dir.Write(folder + "/hl.exe", "");
        if (config)
            App.Dir.Write(folder + "/cstrike/config.cfg", *config);
        return App.Dir.File(folder + "/hl.exe");
    }
    void WriteIni(const std::string& lines) {
        App.WriteIni("WindowStates/RemWindowStates=0\nFavorite/Synchronize=0\n" + lines);
    }
    // The favorites the three files hold, as a restart would read them.
    size_t FavoritesOnDisk() const {
        size_t count = 0;
        for (const char* tag : {"46", "47", "00"})
            count += ReadFavoritesFile(App.Dir.Read(FavoritesFileName(tag)), tag).size();
        return count;
    }
    AppFixture App;
};

// A favorites file the user may not read needs a user that permissions apply to: an
// ordinary user, or root switched to user "nobody".
TEST_F(Files, AFavoritesFileTheUserCannotReadIsNamedAndNeitherOverwrittenNorCopiedAtExit) {
    const std::string game = InstallGame("游戏16", std::nullopt);
    WriteIni("ModulePath/PathCS1.6=" + G(game) + "\n");
    const std::string secret = FavoritesBytes({"192.0.2.1", "192.0.2.2"});
    App.Dir.Write("favorite47.dat", secret);
    App.Dir.Write("favorite46.dat", FavoritesBytes({"192.0.2.3"}));
    App.Dir.Write("游戏16/favsvrs.dat", "the game's own");
    ASSERT_EQ(chmod(App.Dir.File("favorite47.dat").c_str(), 0), 0);
    for (const char* folder : {"", "/游戏16"})
        ASSERT_EQ(chmod((App.Dir.Path() + folder).c_str(), 0777), 0);
    for (const char* file : {"Quarrix.ini", "游戏16/favsvrs.dat"})
        ASSERT_EQ(chmod(App.Dir.File(file).c_str(), 0666), 0);

    const std::optional<bool> ok = RunWithoutRootFileRights([&] {
        MessageRecorder messages;
        App.Create();
        App.Show();
        const bool told = WaitFor([&] { return !messages.Seen.empty(); }) &&
                          Mentions(messages.Seen[0].first, App.Dir.File("favorite47.dat"));
        const size_t listed = Form1->Model().Favorites.size();
        Form1->close();
        if (!told || listed != 1 || messages.Seen.size() != 1)
            std::cerr << "told " << told << ", listed " << listed << ", messages "
                      << messages.Seen.size() << "\n";
        return told && listed == 1 && messages.Seen.size() == 1;
    });
    ASSERT_EQ(chmod(App.Dir.File("favorite47.dat").c_str(), 0644), 0);
    ASSERT_EQ(chmod(App.Dir.Path().c_str(), 0700), 0);
    ASSERT_TRUE(ok.has_value()) << "could not run as a user without root's rights";
    EXPECT_TRUE(*ok);
    EXPECT_EQ(App.Dir.Read("favorite47.dat"), secret);
    EXPECT_EQ(App.Dir.Read("游戏16/favsvrs.dat"), "the game's own");
}

TEST_F(Files, AStartThatStopsBeforeTheFavoritesAreReadKeepsEveryFavoritesFile) {
    WriteIni("");
    const std::string files[] = {FavoritesBytes({"192.0.2.1", "192.0.2.2"}),
                                 FavoritesBytes({"192.0.2.3"}),
                                 FavoritesBytes({"192.0.2.4", "192.0.2.5"})};
    App.Dir.Write("favorite46.dat", files[0]);
    App.Dir.Write("favorite47.dat", files[1]);
    App.Dir.Write("favorite00.dat", files[2]);
    App.Create();
    // The step before the favorites fails as the old unbounded read of config.cfg did.
    Form1->Hooks.ReadPlayerName = []() -> std::string { throw std::bad_alloc(); };
    EXPECT_THROW(Form1->FormShow(), std::bad_alloc);
    EXPECT_TRUE(Form1->Model().Favorites.empty());
    Form1->FormClose();
    EXPECT_EQ(App.Dir.Read("favorite46.dat"), files[0]);
    EXPECT_EQ(App.Dir.Read("favorite47.dat"), files[1]);
    EXPECT_EQ(App.Dir.Read("favorite00.dat"), files[2]);
}

// The reported case: a config.cfg that never ends. It is named, the window opens with every
// favorite, and the exit keeps them all.
TEST_F(Files, AConfigThatNeverEndsIsNamedAndTheFavoritesAreReadAndKept) {
    const std::string game = InstallGame("cs15", std::nullopt);
    std::filesystem::create_symlink("/dev/zero", App.Dir.File("cs15/cstrike/config.cfg"));
    WriteIni("ModulePath/PathCS1.5=" + G(game) + "\n");
    App.Dir.Write("favorite46.dat", FavoritesBytes({"192.0.2.1", "192.0.2.2"}));
    App.Dir.Write("favorite47.dat", FavoritesBytes({"192.0.2.3"}));
    App.Dir.Write("favorite00.dat", FavoritesBytes({"192.0.2.4", "192.0.2.5"}));
    MessageRecorder messages;
    App.Create();
    App.Show();
    ASSERT_TRUE(WaitFor([&] { return !messages.Seen.empty(); }));
    EXPECT_TRUE(Mentions(messages.Seen[0].first, App.Dir.File("cs15/cstrike/config.cfg")));
    EXPECT_EQ(Form1->Model().Favorites.size(), 5u);
    EXPECT_EQ(Form1->Edit_CSName->currentText(), QStringLiteral("unamed"));
    Form1->close();
    EXPECT_EQ(FavoritesOnDisk(), 5u);
    EXPECT_EQ(messages.Seen.size(), 1u);
}

// A folder that takes no new file needs a user that permissions apply to: an ordinary
// user, or root switched to user "nobody". The boxes are real and closed by Enter.
TEST_F(Files, EveryFileNotSavedAtExitIsNamedInOneRealBoxClosedByEnter) {
    WriteIni("");
    App.Dir.Write("favorite46.dat", FavoritesBytes({"192.0.2.1"}));
    App.Dir.Write("favorite47.dat", FavoritesBytes({"192.0.2.2", "192.0.2.3"}));
    App.Dir.Write("favorite00.dat", FavoritesBytes({"192.0.2.4"}));
    const std::string ini = App.Ini();
    ASSERT_EQ(chmod(App.Dir.Path().c_str(), 0555), 0);
    const std::optional<bool> ok = RunWithoutRootFileRights([&] {
        BoxCloser boxes;
        App.Create();
        App.Show();
        const size_t atStart = boxes.Texts.size();
        const size_t listed = Form1->Model().Favorites.size();
        Form1->close();
        QApplication::processEvents();
        bool named = boxes.Texts.size() == atStart + 1;
        for (const char* file :
             {"favorite46.dat", "favorite47.dat", "favorite00.dat", "Quarrix.ini"})
            named = named && Mentions(boxes.Texts.back(), file);
        named = named && Mentions(boxes.Texts.back(), App.Dir.Path());
        const bool ok = atStart == 1 && listed == 4 && named && boxes.KeyMissed == 0;
        if (!ok) {
            std::cerr << "boxes at start " << atStart << ", listed " << listed << ", named "
                      << named << ", closed without a key " << boxes.KeyMissed << "\n";
            for (const QString& text : boxes.Texts)
                std::cerr << "box: " << text.toStdString() << "\n";
        }
        return ok;
    });
    ASSERT_EQ(chmod(App.Dir.Path().c_str(), 0700), 0);
    ASSERT_TRUE(ok.has_value()) << "could not run as a user without root's rights";
    EXPECT_TRUE(*ok);
    EXPECT_EQ(App.Ini(), ini);
    EXPECT_EQ(FavoritesOnDisk(), 4u);
}

// The game path was set without browsing, so the game's favorites were never read in.
TEST_F(Files, TheGamesOwnFavoritesAreKeptBesideItOnceBeforeTheyAreReplaced) {
    const std::string game = InstallGame("cs15", std::nullopt);
    WriteIni("ModulePath/PathCS1.5=" + G(game) + "\n");
    const std::string own = "\"Favorites\"\r\n{\r\n" + Block("192.0.2.77") + "}\r\n";
    App.Dir.Write("cs15/favsvrs.dat", own);
    App.Dir.Write("favorite46.dat", FavoritesBytes({"192.0.2.1"}));
    for (int run = 0; run < 2; ++run) {
        App.Create();
        App.Show();
        Form1->close();
        App.Destroy();
        EXPECT_EQ(App.Dir.Read("cs15/favsvrs.dat"), App.Dir.Read("favorite46.dat")) << run;
        EXPECT_EQ(App.Dir.Read("cs15/favsvrs.dat.bak"), own) << run;
    }
}

TEST_F(Files, ANameOrAGamePathThatGbkCannotHoldIsRefusedWithAMessage) {
    const std::string game = InstallGame("cs16", std::string("name \"Player\"\r\n"));
    WriteIni("ModulePath/PathCS1.6=" + G(game) + "\n");
    App.Create();
    App.Show();
    MessageRecorder messages;
    auto* name = Find<QComboBox>("Edit_CSName");
    ASSERT_TRUE(name && name->isEnabled());
    name->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), name);
    name->lineEdit()->selectAll();
    // Letters a layout has keys for; the others come as text with no key of their own, as
    // a compose key or an input method sends them.
    for (const QChar c : QStringLiteral("Zoë新")) {
        if (c.unicode() < 0x80)
            QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown,
                                QString(c), Qt::NoModifier);
    }
    ASSERT_EQ(name->currentText(), QStringLiteral("Zoë新"));
    QTest::mouseClick(Find<QToolButton>("Button_SetName"), Qt::LeftButton);
    ASSERT_EQ(messages.Seen.size(), 1u);
    EXPECT_TRUE(Mentions(messages.Seen[0].first, "GBK"));
    EXPECT_EQ(App.Dir.Read("cs16/cstrike/config.cfg"), "name \"Player\"\r\n");

    const std::string odd = InstallGame("Zoë", std::nullopt);
    Form1->OpenOptions();
    ASSERT_TRUE(WaitFor([] { return Form_Options->isVisible(); }));
    Dialogs::SetNextFileName(QString::fromStdString(odd));
    Find<QPushButton>("suiButton1")->click();
    ASSERT_EQ(messages.Seen.size(), 2u);
    EXPECT_TRUE(Mentions(messages.Seen[1].first, "GBK"));
    EXPECT_EQ(Form_Options->suiEdit1->text(), QString());
    Find<QPushButton>("suiButton_OK")->click();
    EXPECT_EQ(App.IniValue("ModulePath", "PathCS1.5"), "");
}

// A pipe where a file should be: the old open waited for a writer for ever. PipeRescue
// ends such a wait after 5 s, so a regression fails here instead of hanging the suite.
TEST_F(Files, APipeNamedQuarrixIniIsNamedAndNothingWaitsOnIt) {
    ASSERT_TRUE(MakePipe(App.Dir.File("Quarrix.ini")));
    PipeRescue rescue(App.Dir.File("Quarrix.ini"));
    MessageRecorder messages;
    App.Create();
    EXPECT_EQ(rescue.Rescues(), 0) << "the start waited on Quarrix.ini";
    ASSERT_EQ(messages.Seen.size(), 1u);
    EXPECT_TRUE(Mentions(messages.Seen[0].first, App.Dir.File("Quarrix.ini")));
    App.Show();
    Form1->close();
    ASSERT_EQ(messages.Seen.size(), 2u);
    EXPECT_TRUE(Mentions(messages.Seen[1].first, "Quarrix.ini"));
    App.Destroy();
    EXPECT_EQ(std::filesystem::status(App.Dir.File("Quarrix.ini")).type(),
              std::filesystem::file_type::fifo);
}

TEST_F(Files, APipeNamedConfigCfgIsNamedAndNothingWaitsOnIt) {
    const std::string game = InstallGame("cs16", std::nullopt);
    WriteIni("ModulePath/PathCS1.6=" + G(game) + "\n");
    const std::string config = App.Dir.File("cs16/cstrike/config.cfg");
    ASSERT_TRUE(MakePipe(config));
    PipeRescue rescue(config);
    MessageRecorder messages;
    App.Create();
    App.Show();
    EXPECT_EQ(rescue.Rescues(), 0) << "the first show waited on config.cfg";
    ASSERT_TRUE(WaitFor([&] { return !messages.Seen.empty(); }));
    EXPECT_TRUE(Mentions(messages.Seen[0].first, config));
    EXPECT_TRUE(Form1->isVisible());
    EXPECT_EQ(Form1->Edit_CSName->currentText(), QStringLiteral("unamed"));
}

} // namespace
