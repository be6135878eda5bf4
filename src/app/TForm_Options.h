#pragma once

#include "SettingsStore.h"

#include <QDialog>

#include <array>
#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QFileDialog;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTabWidget;
class TForm1;
class TUpDown;

// The options dialog. Its controls are the working copy of the settings that every save
// writes; IniStructure is the copy the program obeys, filled only by LoadSettings.
class TForm_Options : public QDialog {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 443, ClientHeight = 288;
    static constexpr int PageCount = 6;

    explicit TForm_Options(TForm1* mainForm, QWidget* parent = nullptr);
    ~TForm_Options() override;

    // Creation step of the start-up: load (first run: create the file and show the
    // dialog), fill the controls, apply the stay-on-top setting to the main window.
    void FormCreate();

    // Fills IniStructure from the file; a missing file is first created with defaults
    // and the dialog is shown modally. A file that cannot be read gives every key's
    // fallback (and a message naming it, once); one that cannot be created leaves the
    // record to the controls' values, and instead of the dialog a message (once) says that
    // the start folder keeps no settings.
    void LoadSettings();
    // Writes every key from the controls and the main window. IniStructure is unchanged.
    bool SaveSettings();
    // Every option control back to its default, then a save.
    void ResetAllSettings();

    OptionValues ControlValues() const;
    void SetControlValues(const OptionValues& values);
    void FillControls() { SetControlValues(OptionsFromIni(IniStructure)); }

    void suiButton_OKClick();
    void suiButton_CancelClick();
    void Button_DefaultClick();
    void Button_DefaultAllClick();
    void suiButton1Click() { BrowseGamePath(suiEdit1, "46"); }
    void suiButton4Click() { BrowseGamePath(suiEdit4, "47"); }
    void suiButton2Click() { BrowseToolPath(suiEdit2); }
    void suiButton3Click() { BrowseToolPath(suiEdit3); }

    IniStructureType IniStructure;
    std::string SettingsFile; // computed again at every load and save
    TForm1* MainForm;

    // Imports a game's own favorites file (path of favsvrs.dat, version tag "46"/"47")
    // right after a new game path was picked.
    std::function<void(const std::string& favsvrsPath, const std::string& tag)> LoadFavoritesFile;

    QTabWidget* suiPageControl1 = nullptr;
    QWidget *suiTabSheet1 = nullptr, *suiTabSheet2 = nullptr, *suiTabSheet3 = nullptr,
            *suiTabSheet4 = nullptr, *suiTabSheet5 = nullptr, *suiTabSheet6 = nullptr;
    QLineEdit *suiEdit1 = nullptr, *suiEdit2 = nullptr, *suiEdit3 = nullptr, *suiEdit4 = nullptr,
              *suiEdit5 = nullptr, *suiEdit6 = nullptr;
    QPushButton *suiButton1 = nullptr, *suiButton2 = nullptr, *suiButton3 = nullptr,
                *suiButton4 = nullptr;
    std::array<QCheckBox*, 16> CheckBox{}; // [n] is suiCheckBoxN, n = 1..15
    QGroupBox *suiGroupBox1 = nullptr, *suiGroupBox2 = nullptr;
    QLineEdit* Edit_AutoInterval = nullptr;
    TUpDown* UpDown_AutoRefreshInterval = nullptr;
    QComboBox* ComboBox_Margin = nullptr;
    QPushButton *Button_Default = nullptr, *Button_DefaultAll = nullptr;
    QPushButton *suiButton_OK = nullptr, *suiButton_Cancel = nullptr;
    QFileDialog* OpenDialog1 = nullptr;
    QFileDialog* OpenDialog2 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildPages();
    void BuildPathPage();
    void BuildRunPage();
    void BuildAutoPage();
    void BuildFilterPages();
    void BuildButtons();
    void BrowseGamePath(QLineEdit* edit, const std::string& tag);
    void BrowseToolPath(QLineEdit* edit);
    // What a save would have written, for a start folder where it cannot write.
    IniStructureType RecordFromControls() const;
    std::string StartDirectory() const;
    // Tells once that no settings can be kept in the start folder.
    void ReportUnwritableFolder();
    // False, after a message, for a picked path the settings file (GBK) cannot hold.
    bool StorablePath(const QString& file);
    bool InFirstRunShow = false;
    bool SettingsUnwritable = false;
    bool FolderReported = false;
    bool SettingsFileReported = false;
};

// The process-wide options dialog (it owns the settings record).
extern TForm_Options* Form_Options;
