#pragma once

#include <QString>

#include <functional>

class QDialog;
class QFileDialog;

// The kinds of modal dialog a test can answer without a window being shown.
enum class DialogKind { Message, Password, Confirmation, About };

// Every modal dialog of the program runs through here, so a test can give the next
// answer of a kind instead of a user (no window manager needed).
namespace Dialogs {

// An answer gets the filled dialog, may set its controls as a user would, and returns the
// dialog's result (QDialog::Accepted or QDialog::Rejected).
using Answer = std::function<int(QDialog&)>;

// The next dialog of `kind` gets `answer` instead of a modal loop; queued answers are
// used in order, one per dialog.
void SetNextAnswer(DialogKind kind, Answer answer);
// Every dialog of `kind` gets `answer` until ClearAnswers (after any queued ones).
void AnswerEvery(DialogKind kind, Answer answer);
// The next file dialog returns `path` at once; an empty path is a cancel.
void SetNextFileName(const QString& path);
// Forgets every queued and standing answer.
void ClearAnswers();
// Queued answers of a kind (file names for the file dialogs) not used yet.
int PendingAnswers(DialogKind kind);
int PendingFileNames();

// Runs `dialog` modally, or gives it the test's answer; returns the dialog's result.
int Exec(QDialog& dialog, DialogKind kind);
// Runs a file dialog; the full path picked, empty when it was cancelled.
QString PickFile(QFileDialog& dialog);

} // namespace Dialogs
