#include "Dialogs.h"

#include <QFileDialog>

#include <array>
#include <deque>

namespace {

constexpr size_t KindCount = 4;

struct Answers {
    std::array<std::deque<Dialogs::Answer>, KindCount> Next;
    std::array<Dialogs::Answer, KindCount> Every;
    std::deque<QString> FileNames;
};

// UI thread only, like the dialogs themselves.
Answers& State() {
    static Answers answers;
    return answers;
}

size_t Index(DialogKind kind) {
    return static_cast<size_t>(kind);
}

} // namespace

namespace Dialogs {

void SetNextAnswer(DialogKind kind, Answer answer) {
    State().Next[Index(kind)].push_back(std::move(answer));
}

void AnswerEvery(DialogKind kind, Answer answer) {
    State().Every[Index(kind)] = std::move(answer);
}

void SetNextFileName(const QString& path) {
    State().FileNames.push_back(path);
}

void ClearAnswers() {
    State() = Answers{};
}

int PendingAnswers(DialogKind kind) {
    return static_cast<int>(State().Next[Index(kind)].size());
}

int PendingFileNames() {
    return static_cast<int>(State().FileNames.size());
}

int Exec(QDialog& dialog, DialogKind kind) {
    std::deque<Answer>& next = State().Next[Index(kind)];
    if (!next.empty()) {
        const Answer answer = std::move(next.front());
        next.pop_front();
        return answer(dialog);
    }
    if (const Answer every = State().Every[Index(kind)])
        return every(dialog);
    return dialog.exec();
}

QString PickFile(QFileDialog& dialog) {
    std::deque<QString>& names = State().FileNames;
    if (!names.empty()) {
        const QString path = names.front();
        names.pop_front();
        return path;
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace Dialogs
