// The files behind the window: the favorites files read at the first show and written at
// close, a game's favsvrs.dat picked in the options, and the player name in config.cfg.
#include "TForm1.h"

#include "EventHook.h"
#include "FavoritesStore.h"
#include "FileAccess.h"
#include "Gbk.h"
#include "PlayerNameStore.h"
#include "TForm_Warnning.h"
#include "WidgetText.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

namespace {

// The error report of a file the program could not read or write.
void ShowFileError(const char* what, const std::string& path) {
    ShowWarning(G(what) + Utf8ToGbk(path) + " ! ", G("错误"));
}

} // namespace

void TForm1::BuildFiles() {
    const auto gamePath = [this](SettingsSlot slot) { return NativePath(Setting(slot)); };
    Hooks.ReadPlayerName = [gamePath] {
        return ReadPlayerNameOfGames(gamePath(SlotPathCS15), gamePath(SlotPathCS16));
    };
    Hooks.LoadFavoritesFiles = [this] {
        const std::vector<std::string> paths = FavoritesFilePaths(StartDirectory);
        const char* tags[] = {"46", "47", "00"};
        for (size_t i = 0; i < paths.size(); ++i)
            if (RegularFileExists(paths[i]))
                LoadFavoritesFile(paths[i], tags[i], Browser.Favorites, Browser.FavoriteSortColumn,
                                  Browser.FavoriteSortAscending);
    };
    // A file that could not be written is reported, and not copied over the game's.
    auto notWritten = std::make_shared<std::vector<std::string>>();
    Hooks.SaveFavoritesFiles = [this, notWritten] {
        *notWritten = SaveFavoritesFiles(StartDirectory, Browser.Favorites);
        for (const std::string& path : *notWritten)
            ShowFileError("无法保存收藏文件 : ", path);
    };
    Hooks.CopyFavoritesToGame = [this, gamePath, notWritten] {
        CopyFavoritesToGame(StartDirectory, gamePath(SlotPathCS15), gamePath(SlotPathCS16),
                            *notWritten);
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
    if (!LoadFavoritesFile(path, tag, Browser.Favorites, Browser.FavoriteSortColumn,
                           Browser.FavoriteSortAscending))
        ShowFileError("无法读取文件 : ", path);
}

void TForm1::Button_SetNameClick() {
    const SetPlayerNameOutcome outcome =
        SetPlayerNameOfGames(FromQ(Edit_CSName->currentText()), NativePath(Setting(SlotPathCS15)),
                             NativePath(Setting(SlotPathCS16)));
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
        ShowFileError("无法写入文件 : ", outcome.FailedPath);
        break;
    }
}
