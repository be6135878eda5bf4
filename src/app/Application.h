#pragma once

#include <QApplication>

class QDialog;
class TAboutBox;
class TForm_MakeSure;
class TForm_Password;

// The application object: an exception that escapes an event handler is shown in the
// standard error box and the program goes on.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// The dialogs created at start-up besides the main window and the options dialog.
extern TForm_MakeSure* Form_MakeSure;
extern TAboutBox* AboutBox;
extern TForm_Password* Form_Password;
extern QDialog* Form_Users; // never shown

// Creates the windows in start-up order: TForm1, TForm_MakeSure, TAboutBox, TForm_Password,
// TForm_Options (loads the settings; on the first run it writes Quarrix.ini and shows
// itself modally before the main window is ever shown), TForm_Users. The datagram
// endpoints are made only when asked, because they take the fixed local ports.
void CreateApplicationWindows(bool withEndpoints);
// Frees the windows in the reverse order of their creation.
void DestroyApplicationWindows();

// The standard error box for an exception; an empty text for one without a message.
void ShowException(const QString& message);

// The windows' life on an existing application object: created, the main window shown,
// the message loop until the main window closes (its close sequence ends the program, not
// the last dialog closed while the window is in the tray), then freed. Errors are shown.
void RunWindows(bool withEndpoints);

// The standard dialogs' own texts (file dialogs, message box buttons) in Chinese, like
// everything else the window shows, whatever the desktop's language: Qt's translations
// when the system has them. The translator installed, owned by `app`; null when the
// system has none.
class QTranslator;
QTranslator* InstallChineseQtTexts(QApplication& app);

// Everything after the single-instance check: application title, windows, the main window
// shown, the message loop. Always returns exit code 0.
int RunApplication(int argc, char** argv);
