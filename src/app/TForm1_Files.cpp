// The files behind the window: the favorites files read at the first show and written at
// close, a game's favsvrs.dat picked in the options, and the player name in config.cfg.
#include "TForm1.h"

#include "EventHook.h"
#include "FavoritesStore.h"
#include "FileAccess.h"
#include "FileMessages.h"
#include "Gbk.h"
#include "PlayerNameStore.h"
#include "SteamLaunch.h"
#include "TForm_Warnning.h"
#include "WidgetText.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

#include <QTimer>

#include <memory>

namespace {

// Messages of the first show wait until its last step has brought the window back from
// the tray, and then come one after the other.
class StartupNotices {
public:
    StartupNotices(QObject* owner, const ::MessageTable& table) : Owner(owner), Table(table) {}
    void Add(std::string message) {
        if (Pending->empty())
            QTimer::singleShot(0, Owner, [pending = Pending, &table = Table] {
                const std::vector<std::string> messages = std::move(*pending);
                pending->clear();
                for (const std::string& message : messages)
                    ShowWarning(message, table[MsgError]);
            });
        Pending->push_back(std::move(message));
    }

private:
    QObject* Owner;
    const ::MessageTable& Table;
    std::shared_ptr<std::vector<std::string>> Pending =
        std::make_shared<std::vector<std::string>>();
};

// The path whose folder holds a game's favsvrs.dat and cstrike/config.cfg: the game's own
// program, for a CS 1.6 of Steam the one in the library's game folder.
std::string GameFiles(const TForm1& form, SettingsSlot slot) {
    const std::string path = NativePath(form.Setting(slot));
    return slot == SlotPathCS16 ? GameFilesPath(path, UserHome()) : path;
}

} // namespace

void TForm1::BuildFiles() {
    const auto gamePath = [this](SettingsSlot slot) { return GameFiles(*this, slot); };
    auto notices = std::make_shared<StartupNotices>(this, MessageTable);
    Hooks.ReadPlayerName = [notices, gamePath] {
        const PlayerNameRead read =
            ReadPlayerNameOfGames(gamePath(SlotPathCS15), gamePath(SlotPathCS16));
        // A missing or unreadable file just leaves the box off; a pipe, a device or a
        // runaway file in its place is worth a word, as nothing else would explain it.
        if (read.Status == ReadStatus::NotRegular || read.Status == ReadStatus::TooBig)
            notices->Add(CannotReadMessage({read.ConfigPath, read.Status}));
        return read.Name;
    };
    // What was read at the first show decides what may be written at close.
    auto favorites = std::make_shared<FavoritesFiles>(StartDirectory);
    Hooks.LoadFavoritesFiles = [this, favorites, notices] {
        const std::vector<FileProblem> problems = favorites->Load(
            Browser.Favorites, Browser.FavoriteSortColumn, Browser.FavoriteSortAscending);
        if (!problems.empty())
            notices->Add(FavoritesNotReadMessage(problems));
    };
    Hooks.SaveFavoritesFiles = [this, favorites] { return favorites->Save(Browser.Favorites); };
    Hooks.CopyFavoritesToGame = [this, gamePath, favorites] {
        favorites->CopyToGames(gamePath(SlotPathCS15), gamePath(SlotPathCS16));
    };

    connect(Button_SetName, &QToolButton::clicked, this, &TForm1::Button_SetNameClick);
    // The combo box hands an Enter its line edit ignored back to it; the key is taken once,
    // here, before either sees it.
    new EventHook(Edit_CSName->lineEdit(), [this](QEvent* event) {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        Button_SetNameClick();
        return true;
    });
}

void TForm1::LoadGameFavorites(const std::string& path, const std::string& tag) {
    const ReadStatus status = LoadFavoritesFile(
        path, tag, Browser.Favorites, Browser.FavoriteSortColumn, Browser.FavoriteSortAscending);
    if (status != ReadStatus::Read)
        ShowWarning(CannotReadMessage({path, status}), G("错误"));
}

void TForm1::Button_SetNameClick() {
    // config.cfg holds GBK: a character it cannot hold would be written as '?' bytes.
    const std::optional<std::string> name =
        Utf8ToGbkStrict(Edit_CSName->currentText().toStdString());
    if (!name) {
        ShowWarning(NameNotGbkMessage(), MessageTable[MsgNotice]);
        return;
    }
    const SetPlayerNameOutcome outcome =
        SetPlayerNameOfGames(*name, GameFiles(*this, SlotPathCS15), GameFiles(*this, SlotPathCS16));
    switch (outcome.What) {
    case SetPlayerNameOutcome::Written:
        break;
    case SetPlayerNameOutcome::Empty:
        ShowWarning(MessageTable[MsgEmptyId], MessageTable[MsgNotice]);
        break;
    case SetPlayerNameOutcome::Refused:
        ShowWarning(G(" ID 不能含有双引号或换行 ! "), MessageTable[MsgNotice]);
        break;
    case SetPlayerNameOutcome::Failed:
        if (outcome.FailedRead != ReadStatus::Read)
            ShowWarning(CannotReadMessage({outcome.FailedPath, outcome.FailedRead}),
                        MessageTable[MsgError]);
        else
            ShowWarning(G(" 无法写入文件 : ") + Utf8ToGbk(outcome.FailedPath) + " ! ",
                        MessageTable[MsgError]);
        break;
    }
}
