#include "TForm_Options.h"

#include "Dialogs.h"
#include "FileMessages.h"
#include "FileRead.h"
#include "Gbk.h"
#include "IniFile.h"
#include "LaunchController.h"
#include "SteamLaunch.h"
#include "TForm1.h"
#include "TForm_Warnning.h"
#include "TUpDown.h"
#include "WidgetText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <filesystem>

TForm_Options* Form_Options = nullptr;

TForm_Options::TForm_Options(TForm1* mainForm, QWidget* parent)
    : QDialog(parent), MainForm(mainForm) {
    setObjectName(QStringLiteral("TForm_Options"));
    setWindowTitle(QStringLiteral("设置"));
    setFont(UiFont());
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(true);
    setFixedSize(ClientWidth, ClientHeight);
    BuildPages();
    BuildButtons();

    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    // CS 1.6 of today is started through Steam: its client or the game's own program.
    OpenDialog1->setNameFilters(
        {QStringLiteral("hl.exe (hl.exe)"), QStringLiteral("Steam (steam hl_linux)")});
    OpenDialog1->setOption(QFileDialog::DontUseNativeDialog);
    OpenDialog2 = new QFileDialog(this);
    OpenDialog2->setObjectName(QStringLiteral("OpenDialog2"));
    OpenDialog2->setFileMode(QFileDialog::ExistingFile);
    OpenDialog2->setNameFilters({QStringLiteral("*.exe (*.exe)"), QStringLiteral("*.bat (*.bat)"),
                                 QStringLiteral("*.com (*.com)")});
    OpenDialog2->setDefaultSuffix(QStringLiteral("exe"));
    OpenDialog2->setOption(QFileDialog::DontUseNativeDialog);
}

TForm_Options::~TForm_Options() {
    if (Form_Options == this)
        Form_Options = nullptr;
}

void TForm_Options::FormCreate() {
    LoadSettings();
    FillControls();
    // A folder that holds a settings file but takes no new one loses every change as well.
    if (!FolderTakesNewFiles(StartDirectory()))
        ReportUnwritableFolder();
    if (MainForm)
        MainForm->SetStayOnTop(IniStructure[SlotMainOnTop] == "1");
}

void TForm_Options::LoadSettings() {
    IniStructure = IniStructureType{};
    SettingsFile = SettingsPath(StartDirectory());
    if (!SettingsFileExists(SettingsFile) && !SettingsUnwritable) {
        // A first run offers the machine's own network and the usual ports to search.
        if (MainForm)
            MainForm->ApplyFirstRunSearchDefaults();
        ResetAllSettings();
        // From here on the controls stand in for the file that could not be made.
        SettingsUnwritable = !SettingsFileExists(SettingsFile);
        // The first-run dialog would show at every start in such a folder and keep nothing;
        // the user is told why instead.
        if (SettingsUnwritable) {
            ReportUnwritableFolder();
        } else if (!InFirstRunShow && !isVisible()) {
            InFirstRunShow = true;
            exec();
            InFirstRunShow = false;
        }
    }
    if (!SettingsFileExists(SettingsFile)) {
        IniStructure = RecordFromControls();
        return;
    }
    ReadStatus status = ReadStatus::Read;
    IniStructure = ReadSettings(SettingsFile, &status);
    // Said once: the dialog reads the file again at every opening.
    if (status != ReadStatus::Read && status != ReadStatus::Missing && !SettingsFileReported) {
        SettingsFileReported = true;
        ShowWarning(CannotReadMessage({SettingsFile, status}), G("错误"));
    }
}

void TForm_Options::ReportUnwritableFolder() {
    if (FolderReported)
        return;
    FolderReported = true;
    ShowWarning(FolderNotWritableMessage(StartDirectory()), G("注意"));
}

IniStructureType TForm_Options::RecordFromControls() const {
    IniFile ini;
    WriteSettingsTo(ini, ControlValues(), MainForm ? MainForm->MainValues() : MainWindowValues{});
    return ReadSettingsFrom(ini);
}

std::string TForm_Options::StartDirectory() const {
    return MainForm ? MainForm->StartDirectory : std::filesystem::current_path().string();
}

bool TForm_Options::SaveSettings() {
    SettingsFile = SettingsPath(StartDirectory());
    const MainWindowValues window = MainForm ? MainForm->MainValues() : MainWindowValues{};
    return WriteSettings(SettingsFile, ControlValues(), window);
}

void TForm_Options::ResetAllSettings() {
    OptionValues values = ControlValues();
    ResetOptionValues(values);
    SetControlValues(values);
    SaveSettings();
}

OptionValues TForm_Options::ControlValues() const {
    OptionValues v;
    v.PathCS15 = FromQ(suiEdit1->text());
    v.PathCS16 = FromQ(suiEdit4->text());
    v.PathCD = FromQ(suiEdit2->text());
    v.PathOther = FromQ(suiEdit3->text());
    v.Parameter15 = FromQ(suiEdit5->text());
    v.Parameter16 = FromQ(suiEdit6->text());
    for (int n = 1; n <= 15; ++n)
        v.CheckBox[n] = CheckBox[n]->isChecked();
    v.Interval = FromQ(Edit_AutoInterval->text());
    v.Margin = FromQ(ComboBox_Margin->currentText());
    return v;
}

void TForm_Options::SetControlValues(const OptionValues& v) {
    suiEdit1->setText(ToQ(v.PathCS15));
    suiEdit4->setText(ToQ(v.PathCS16));
    suiEdit2->setText(ToQ(v.PathCD));
    suiEdit3->setText(ToQ(v.PathOther));
    suiEdit5->setText(ToQ(v.Parameter15));
    suiEdit6->setText(ToQ(v.Parameter16));
    for (int n = 1; n <= 15; ++n)
        CheckBox[n]->setChecked(v.CheckBox[n]);
    Edit_AutoInterval->setText(ToQ(v.Interval));
    // A margin outside the list selects the first item rather than an empty text.
    const int index = ComboBox_Margin->findText(ToQ(v.Margin));
    ComboBox_Margin->setCurrentIndex(index >= 0 ? index : 0);
}

void TForm_Options::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    LoadSettings();
    FillControls();
    suiButton_Cancel->setFocus();
}

void TForm_Options::suiButton_OKClick() {
    SaveSettings();
    LoadSettings();
    accept();
    if (!MainForm)
        return;
    MainForm->SetStayOnTop(IniStructure[SlotMainOnTop] == "1");
    if (MainForm->Hooks.RebuildFavoritesView)
        MainForm->Hooks.RebuildFavoritesView();
    MainForm->ApplyPlayerName();
}

void TForm_Options::suiButton_CancelClick() {
    reject();
}

void TForm_Options::Button_DefaultClick() {
    OptionValues values = ControlValues();
    SetPageDefaults(values, suiPageControl1->currentIndex());
    SetControlValues(values);
    SaveSettings();
}

void TForm_Options::Button_DefaultAllClick() {
    ResetAllSettings();
}

void TForm_Options::BrowseGamePath(QLineEdit* edit, const std::string& tag) {
    const QString before = edit->text();
    if (!before.isEmpty())
        OpenDialog1->setDirectory(QFileInfo(before).absolutePath());
    const QString file = Dialogs::PickFile(*OpenDialog1);
    if (file.isEmpty() || !StorablePath(file))
        return;
    edit->setText(QDir::toNativeSeparators(file));
    const QFileInfo picked(edit->text());
    if (edit->text() == before || !picked.exists() || !LoadFavoritesFile)
        return;
    // The game's favorites lie in its own folder: for Steam the library's, not the client's.
    std::string game = QFile::encodeName(picked.absoluteFilePath()).toStdString();
    if (tag == "47")
        game = GameFilesPath(game, UserHome());
    if (game.empty())
        return;
    const std::string folder = ProgramFolder(game);
    LoadFavoritesFile(folder + (folder.ends_with('/') ? "" : "/") + "favsvrs.dat", tag);
}

void TForm_Options::BrowseToolPath(QLineEdit* edit) {
    if (!edit->text().isEmpty())
        OpenDialog2->setDirectory(QFileInfo(edit->text()).absolutePath());
    if (const QString file = Dialogs::PickFile(*OpenDialog2); !file.isEmpty() && StorablePath(file))
        edit->setText(QDir::toNativeSeparators(file));
}

bool TForm_Options::StorablePath(const QString& file) {
    // The settings file holds GBK: a path with a character GBK lacks would be stored with
    // '?' in its place and name a file that is not there.
    const std::string native = QDir::toNativeSeparators(file).toStdString();
    if (Utf8ToGbkStrict(native))
        return true;
    ShowWarning(PathNotGbkMessage(native), G("注意"));
    return false;
}
