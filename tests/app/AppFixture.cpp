#include "AppFixture.h"

#include "Application.h"
#include "Dialogs.h"
#include "TForm1.h"
#include "TForm_Options.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QTimer>

#include <sys/fsuid.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <vector>

namespace {

// The waits of WhenModal not yet over. A wait outlives its test when its dialog never
// came; a fixture ends them all, so no later test's dialog meets an earlier test's action
// (whose references are gone by then).
std::vector<QPointer<QTimer>>& PendingModalWaits() {
    static std::vector<QPointer<QTimer>> waits;
    return waits;
}

void EndModalWaits() {
    for (const QPointer<QTimer>& timer : PendingModalWaits())
        delete timer.data();
    PendingModalWaits().clear();
}

} // namespace

AppFixture::AppFixture() {
    PreviousDirectory = std::filesystem::current_path().string();
    std::filesystem::current_path(Dir.Path());
}

AppFixture::~AppFixture() {
    Destroy();
    EndModalWaits();
    Dialogs::ClearAnswers();
    std::filesystem::current_path(PreviousDirectory);
}

std::string IniText(const std::string& lines) {
    std::vector<std::string> order;
    std::map<std::string, std::string> sections;
    std::istringstream in(lines);
    for (std::string line; std::getline(in, line);) {
        if (line.empty())
            continue;
        const size_t slash = line.find('/');
        const std::string section = line.substr(0, slash);
        if (!sections.count(section))
            order.push_back(section);
        sections[section] += line.substr(slash + 1) + "\r\n";
    }
    std::string text;
    for (const std::string& section : order)
        text += "[" + section + "]\r\n" + sections[section];
    return text;
}

void AppFixture::WriteIni(const std::string& lines) const {
    Dir.Write("Quarrix.ini", IniText(lines));
}

std::string AppFixture::IniValue(const std::string& section, const std::string& key) const {
    std::istringstream in(Ini());
    std::string current;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line.front() == '[') {
            current = line.substr(1, line.size() - 2);
            continue;
        }
        const size_t eq = line.find('=');
        if (current == section && eq != std::string::npos && line.substr(0, eq) == key)
            return line.substr(eq + 1);
    }
    return "<missing>";
}

std::optional<bool> RunWithoutRootFileRights(const std::function<bool()>& action) {
    if (geteuid() != 0)
        return action();
    constexpr int Nobody = 65534;
    // Both calls answer the previous identity; asking again tells whether it took.
    setfsgid(Nobody);
    setfsuid(Nobody);
    const bool switched =
        setfsuid(static_cast<uid_t>(-1)) == Nobody && setfsgid(static_cast<gid_t>(-1)) == Nobody;
    std::optional<bool> result;
    if (switched)
        result = action();
    setfsuid(0);
    setfsgid(0);
    return result;
}

void WhenModal(const std::function<void(QWidget*)>& action) {
    // Owned by the application, so a timer whose dialog never came is freed with it.
    auto* timer = new QTimer(qApp);
    PendingModalWaits().emplace_back(timer);
    auto deadline = std::make_shared<QDeadlineTimer>(10000);
    QObject::connect(timer, &QTimer::timeout, [timer, action, deadline] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal && !deadline->hasExpired())
            return;
        timer->stop();
        timer->deleteLater();
        if (!modal)
            return;
        QPointer<QWidget> guard(modal);
        action(modal);
        // A failed check inside the action must not leave the test waiting forever.
        if (auto* dialog = qobject_cast<QDialog*>(guard.data());
            dialog && dialog->isVisible() && QApplication::activeModalWidget() == dialog)
            dialog->reject();
    });
    timer->start(10);
}

void AppFixture::Create(const std::function<void(QWidget*)>& onModal) {
    if (onModal)
        WhenModal(onModal);
    CreateApplicationWindows(false);
    Created = true;
}

void AppFixture::Show() {
    Form1->show();
    QApplication::processEvents();
}

void AppFixture::Destroy() {
    if (!Created)
        return;
    DestroyApplicationWindows();
    Created = false;
}

QObject* FindNamed(const QString& name) {
    for (QObject* root : {static_cast<QObject*>(Form1), static_cast<QObject*>(Form_Options)}) {
        if (!root)
            continue;
        if (root->objectName() == name)
            return root;
        if (QObject* found = root->findChild<QObject*>(name))
            return found;
    }
    return nullptr;
}

MessageRecorder::MessageRecorder() {
    Dialogs::AnswerEvery(DialogKind::Message, [this](QDialog& dialog) {
        const auto* text = dialog.findChild<QLabel*>(QStringLiteral("Label_WarnningMsg"));
        Seen.emplace_back(text ? text->text() : QString(), dialog.windowTitle());
        return int(QDialog::Accepted);
    });
}

MessageRecorder::~MessageRecorder() {
    Dialogs::AnswerEvery(DialogKind::Message, nullptr);
}
