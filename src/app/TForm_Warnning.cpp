#include "TForm_Warnning.h"

#include "Dialogs.h"
#include "TForm1.h"
#include "WidgetText.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

TForm_Warnning::TForm_Warnning(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TForm_Warnning"));
    setWindowTitle(QStringLiteral("注意"));
    setFont(UiFont());
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    suiForm1 = new QWidget(this);
    suiForm1->setObjectName(QStringLiteral("suiForm1"));
    layout->addWidget(suiForm1);

    Image1 = new QLabel(suiForm1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    Image1->setGeometry(48, 44, 32, 32);
    Image1->setAccessibleName(QStringLiteral("注意"));

    Label_WarnningMsg = new QLabel(suiForm1);
    Label_WarnningMsg->setObjectName(QStringLiteral("Label_WarnningMsg"));
    Label_WarnningMsg->move(104, 54);
    Label_WarnningMsg->setTextFormat(Qt::PlainText);

    suiButton1 = new QPushButton(QStringLiteral("确定"), suiForm1);
    suiButton1->setObjectName(QStringLiteral("suiButton1"));
    suiButton1->setAccessibleName(QStringLiteral("确定"));
    suiButton1->setDefault(true);
    suiButton1->setAutoDefault(true);
    suiButton1->setGeometry(0, 108, ButtonWidth, 27);
    connect(suiButton1, &QPushButton::clicked, this, &QDialog::accept);

    setMinimumWidth(MinWidth);
    resize(DesignWidth, DesignHeight);
}

void TForm_Warnning::SetMessage(const std::string& message, const std::string& caption) {
    setWindowTitle(ToQ(caption));
    Label_WarnningMsg->setText(ToQ(message));
    Label_WarnningMsg->setAccessibleName(Label_WarnningMsg->text());
    Label_WarnningMsg->adjustSize();
    const int width = std::max(MinWidth, Label_WarnningMsg->width() + 150);
    setFixedSize(width, DesignHeight);
    suiButton1->move((width - ButtonWidth) / 2, suiButton1->y());
    // Centred on the screen, as the dialog always appears.
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - QPoint(width / 2, DesignHeight / 2));
}

void ShowWarning(const std::string& message, const std::string& caption) {
    // Above the dialog that asked, else above the main window (also while it is in the
    // tray); a message of no window stands alone.
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner)
        owner = Form1;
    // Guarded: an owner that goes while the message is open takes the message with it.
    const QPointer<TForm_Warnning> dialog = new TForm_Warnning(owner);
    dialog->SetMessage(message, caption);
    dialog->suiButton1->setFocus();
    Dialogs::Exec(*dialog, DialogKind::Message);
    delete dialog.data();
}
