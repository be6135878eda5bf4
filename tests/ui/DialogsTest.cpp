#include "Dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class DialogsTest : public ::testing::Test {
protected:
    void TearDown() override { Dialogs::ClearAnswers(); }
};

// A dialog with one edit, as the password prompt holds.
struct Prompt {
    QDialog Dialog;
    QLineEdit* Edit = new QLineEdit(&Dialog);
    Prompt() { Edit->setObjectName(QStringLiteral("Edit")); }
};

} // namespace

TEST_F(DialogsTest, QueuedAnswersGoToTheirOwnKindInOrderWithoutAWindow) {
    std::vector<std::string> seen;
    Dialogs::SetNextAnswer(DialogKind::Password, [&](QDialog& d) {
        seen.push_back("password 1");
        EXPECT_FALSE(d.isVisible());
        d.findChild<QLineEdit*>(QStringLiteral("Edit"))->setText(QStringLiteral("secret"));
        return int(QDialog::Accepted);
    });
    Dialogs::SetNextAnswer(DialogKind::Password, [&](QDialog&) {
        seen.push_back("password 2");
        return int(QDialog::Rejected);
    });
    Dialogs::SetNextAnswer(DialogKind::Confirmation, [&](QDialog&) {
        seen.push_back("confirmation");
        return int(QDialog::Accepted);
    });
    EXPECT_EQ(Dialogs::PendingAnswers(DialogKind::Password), 2);

    Prompt first, second;
    QDialog confirm;
    EXPECT_EQ(Dialogs::Exec(confirm, DialogKind::Confirmation), QDialog::Accepted);
    EXPECT_EQ(Dialogs::Exec(first.Dialog, DialogKind::Password), QDialog::Accepted);
    EXPECT_EQ(Dialogs::Exec(second.Dialog, DialogKind::Password), QDialog::Rejected);
    EXPECT_EQ(seen, (std::vector<std::string>{"confirmation", "password 1", "password 2"}));
    EXPECT_EQ(first.Edit->text(), QStringLiteral("secret"));
    EXPECT_EQ(Dialogs::PendingAnswers(DialogKind::Password), 0);
    EXPECT_EQ(Dialogs::PendingAnswers(DialogKind::Message), 0);
}

TEST_F(DialogsTest, StandingAnswerServesEveryDialogAfterTheQueuedOnes) {
    int standing = 0;
    Dialogs::AnswerEvery(DialogKind::Message, [&](QDialog&) {
        ++standing;
        return int(QDialog::Accepted);
    });
    Dialogs::SetNextAnswer(DialogKind::Message, [](QDialog&) { return int(QDialog::Rejected); });
    QDialog a, b, c;
    EXPECT_EQ(Dialogs::Exec(a, DialogKind::Message), QDialog::Rejected);
    EXPECT_EQ(Dialogs::Exec(b, DialogKind::Message), QDialog::Accepted);
    EXPECT_EQ(Dialogs::Exec(c, DialogKind::Message), QDialog::Accepted);
    EXPECT_EQ(standing, 2);
}

TEST_F(DialogsTest, WithoutAnAnswerTheDialogRunsItsModalLoop) {
    QDialog dialog;
    bool wasModal = false;
    QTimer::singleShot(0, &dialog, [&] {
        wasModal = QApplication::activeModalWidget() == &dialog;
        dialog.done(7);
    });
    EXPECT_EQ(Dialogs::Exec(dialog, DialogKind::Confirmation), 7);
    EXPECT_TRUE(wasModal);
}

TEST_F(DialogsTest, NextFileNamesArePickedInOrderAndAnEmptyOneCancels) {
    Dialogs::SetNextFileName(QStringLiteral("/games/cs16/hl.exe"));
    Dialogs::SetNextFileName(QString());
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    EXPECT_EQ(Dialogs::PickFile(dialog), QStringLiteral("/games/cs16/hl.exe"));
    EXPECT_EQ(Dialogs::PickFile(dialog), QString());
    EXPECT_EQ(Dialogs::PendingFileNames(), 0);
    EXPECT_FALSE(dialog.isVisible());
}
