#include "TForm_Password.h"

#include "Dialogs.h"
#include "WidgetText.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TForm_Password::TForm_Password(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TForm_Password"));
    setWindowTitle(QStringLiteral("密码"));
    setFont(UiFont());
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(true);
    Password = new QLineEdit(this);
    Password->setObjectName(QStringLiteral("Password"));
    Password->setGeometry(72, 20, 180, 21);
    LabelFor(this, QStringLiteral("密码"), Password)->setGeometry(16, 20, 50, 21);
    OKBtn = new QPushButton(QStringLiteral("确定"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setAccessibleName(QStringLiteral("确定"));
    OKBtn->setGeometry(56, 56, 80, 27);
    // Enter in the field presses OK; Esc cancels (the dialog's own keys).
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("取消"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setAccessibleName(QStringLiteral("取消"));
    CancelBtn->setGeometry(148, 56, 80, 27);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    setFixedSize(272, 100);
}

std::optional<std::string> TForm_Password::Ask() {
    Accepted = false;
    Password->setFocus();
    Accepted = Dialogs::Exec(*this, DialogKind::Password) == QDialog::Accepted;
    if (!Accepted)
        return std::nullopt;
    return FromQ(Password->text());
}
