#pragma once

#include "TempDir.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QWidget;

// A temporary start directory that is the process's current directory while it lives,
// and the start-up windows created in it.
class AppFixture {
public:
    AppFixture();
    ~AppFixture();

    // Writes Quarrix.ini from "Section/Key=value" lines (so no options dialog shows).
    void WriteIni(const std::string& lines) const;
    std::string Ini() const { return Dir.Read("Quarrix.ini"); }
    // The value of a key in the written file; "<missing>" when it is not there.
    std::string IniValue(const std::string& section, const std::string& key) const;

    // Creates the start-up windows (no datagram endpoints); `onModal` runs for each modal
    // window that opens meanwhile and must close it.
    void Create(const std::function<void(QWidget*)>& onModal = {});
    // Shows the main window, which runs its first-show sequence.
    void Show();
    // Frees the windows, as the end of the program does.
    void Destroy();
    bool Created = false;
    TempDir Dir;

private:
    std::string PreviousDirectory;
};

// Runs `action` on this thread without root's right to bypass file permissions, in this
// very process: for root with the file rights of user "nobody" (the thread's file-system
// identity), for an ordinary user as it is. A forked child is no way to do this here: a
// child of a process with threads may wait for ever on a lock another thread held at the
// fork. nullopt when the rights could not be changed.
std::optional<bool> RunWithoutRootFileRights(const std::function<bool()>& action);

// Calls `action` with the active modal window as soon as one is open (bounded wait).
void WhenModal(const std::function<void(QWidget*)>& action);

// A file of keys in the settings layout: "[Section]" blocks from "Section/Key=value" lines.
std::string IniText(const std::string& lines);

// The control or action of that objectName in the main window or the options dialog;
// nullptr when there is none (or it is of another type).
QObject* FindNamed(const QString& name);
template <typename T> T* Find(const char* name) {
    return qobject_cast<T*>(FindNamed(QString::fromLatin1(name)));
}

// Answers every message dialog at once, without a window, and records what it said.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    std::vector<std::pair<QString, QString>> Seen; // message, caption
};
