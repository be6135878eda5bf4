#include "TForm_Warnning.h"
#include "AppFixture.h"
#include "Dialogs.h"
#include "Gbk.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

struct Seen {
    int Width = 0, ButtonLeft = 0, ButtonWidth = 0, LabelWidth = 0;
    QString Title, Text;
    bool Default = false;
    int Destroyed = 0;
};

// Runs ShowWarning, answering it through the dialog hook, and keeps what the dialog held.
Seen Show(const std::string& message, const std::string& caption) {
    auto seen = std::make_shared<Seen>();
    Dialogs::SetNextAnswer(DialogKind::Message, [seen](QDialog& d) {
        auto& dialog = static_cast<TForm_Warnning&>(d);
        seen->Width = dialog.width();
        seen->ButtonLeft = dialog.suiButton1->x();
        seen->ButtonWidth = dialog.suiButton1->width();
        seen->LabelWidth = dialog.Label_WarnningMsg->width();
        seen->Title = dialog.windowTitle();
        seen->Text = dialog.Label_WarnningMsg->text();
        seen->Default = dialog.suiButton1->isDefault();
        QObject::connect(&dialog, &QObject::destroyed, [seen] { ++seen->Destroyed; });
        return int(QDialog::Accepted);
    });
    ShowWarning(message, caption);
    return *seen;
}

} // namespace

TEST(ShowWarning, WidthFollowsTheMessageAndTheButtonStaysCentred) {
    const std::string shortText = G(" 无效的端口 ! ");
    const std::string longText =
        G(" 文件中含有无效格式的 IP 地址或者端口 , 请用第三方编辑工具打开检查 ! ");
    const Seen small = Show(shortText, G("注意"));
    const Seen large = Show(longText, G("错误"));
    for (const Seen* s : {&small, &large}) {
        EXPECT_EQ(s->Width, std::max(TForm_Warnning::MinWidth, s->LabelWidth + 150));
        EXPECT_EQ(s->ButtonWidth, 80);
        EXPECT_EQ(s->ButtonLeft, (s->Width - 80) / 2);
        EXPECT_TRUE(s->Default);
        EXPECT_EQ(s->Destroyed, 1) << "destroyed exactly once, after the modal loop";
    }
    EXPECT_GT(large.Width, small.Width);
    EXPECT_EQ(small.Title, QStringLiteral("注意"));
    EXPECT_EQ(large.Title, QStringLiteral("错误"));
    EXPECT_EQ(large.Text, QString::fromStdString(GbkToUtf8(longText)));
}

TEST(ShowWarning, TinyMessageKeepsTheMinimumWidth) {
    const Seen s = Show("!", G("注意"));
    EXPECT_GE(s.Width, TForm_Warnning::MinWidth);
    EXPECT_EQ(s.ButtonLeft, (s.Width - 80) / 2);
}

TEST(ShowWarning, RunsAModalLoopThatEnterCloses) {
    bool modal = false, closedByEnter = false;
    QString text;
    WhenModal([&](QWidget* w) {
        modal = w->objectName() == QStringLiteral("TForm_Warnning");
        text = w->findChild<QLabel*>(QStringLiteral("Label_WarnningMsg"))->text();
        QTest::keyClick(w, Qt::Key_Return);
        closedByEnter = !w->isVisible();
    });
    ShowWarning(G(" 无效的端口 ! "), G("注意"));
    EXPECT_TRUE(modal);
    EXPECT_EQ(text, QStringLiteral(" 无效的端口 ! "));
    EXPECT_TRUE(closedByEnter);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
