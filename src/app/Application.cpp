#include "Application.h"

#include "TAboutBox.h"
#include "TForm1.h"
#include "TForm_MakeSure.h"
#include "TForm_Options.h"
#include "TForm_Password.h"
#include "WidgetText.h"

#include <QDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

#include <exception>

TForm_MakeSure* Form_MakeSure = nullptr;
TAboutBox* AboutBox = nullptr;
TForm_Password* Form_Password = nullptr;
QDialog* Form_Users = nullptr;

namespace {

QDialog* NamedDialog(const char* name, const QString& caption) {
    auto* dialog = new QDialog;
    dialog->setObjectName(QString::fromLatin1(name));
    dialog->setWindowTitle(caption);
    dialog->setFont(UiFont());
    return dialog;
}

QString ExceptionText(const std::exception& e) {
    return ToQ(e.what());
}

} // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowException(ExceptionText(e));
    } catch (...) {
        ShowException(QString());
    }
    return false;
}

void ShowException(const QString& message) {
    QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(), message,
                    QMessageBox::Ok);
    box.setObjectName(QStringLiteral("ExceptionBox"));
    box.exec();
}

void CreateApplicationWindows(bool withEndpoints) {
    Form1 = new TForm1;
    if (withEndpoints)
        Form1->CreateEndpoints();
    // Owned by the main window, above which they show, also while it is in the tray.
    Form_MakeSure = new TForm_MakeSure(Form1);
    AboutBox = new TAboutBox(Form1);
    Form_Password = new TForm_Password(Form1);
    Form_Options = new TForm_Options(Form1);
    Form1->Options = Form_Options;
    Form_Options->LoadFavoritesFile = [](const std::string& path, const std::string& tag) {
        if (Form1)
            Form1->LoadGameFavorites(path, tag);
    };
    Form_Options->FormCreate();
    Form_Users = NamedDialog("TForm_Users", QString());
}

void DestroyApplicationWindows() {
    delete Form_Users;
    Form_Users = nullptr;
    if (Form1)
        Form1->Options = nullptr;
    delete Form_Options;
    Form_Options = nullptr;
    delete Form_Password;
    Form_Password = nullptr;
    delete AboutBox;
    AboutBox = nullptr;
    delete Form_MakeSure;
    Form_MakeSure = nullptr;
    delete Form1;
    Form1 = nullptr;
}

QTranslator* InstallChineseQtTexts(QApplication& app) {
    auto* translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return nullptr;
    }
    QApplication::installTranslator(translator);
    return translator;
}

int RunApplication(int argc, char** argv) {
    TApplication app(argc, argv);
    InstallChineseQtTexts(app);
    // The title the desktop shows for the program as a whole.
    QApplication::setApplicationName(QStringLiteral("Quarrix v1.6.0"));
    QApplication::setFont(UiFont());
    RunWindows(true);
    return 0;
}

void RunWindows(bool withEndpoints) {
    // While the main window is in the tray, any dialog is the last visible window; closing
    // it must not end the program past the close sequence that saves everything. The main
    // window's close ends the message loop itself.
    QApplication::setQuitOnLastWindowClosed(false);
    try {
        CreateApplicationWindows(withEndpoints);
        Form1->show();
        QApplication::exec();
    } catch (const std::exception& e) {
        ShowException(ExceptionText(e));
    } catch (...) {
        ShowException(QString());
    }
    try {
        DestroyApplicationWindows();
    } catch (...) {
    }
}
