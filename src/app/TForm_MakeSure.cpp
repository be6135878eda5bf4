#include "TForm_MakeSure.h"

#include "Dialogs.h"
#include "WidgetText.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace {

const char* const Captions[8] = {
    "", "服务器 :", "IP 地址 :", "端口 :", "地图 :", "人数 :", "上限 :", "版本 :"};

} // namespace

std::string VersionName(const std::string& protocol) {
    if (protocol == "46")
        return "CS1.5";
    if (protocol == "47")
        return "CS1.6";
    return {};
}

TForm_MakeSure::TForm_MakeSure(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TForm_MakeSure"));
    setWindowTitle(QStringLiteral("确认"));
    setFont(UiFont());
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
    Image1->setGeometry(16, 16, 32, 32);
    Image1->setAccessibleName(QStringLiteral("确认"));
    for (int n = 1; n <= 7; ++n) {
        auto* label = new QLabel(QString::fromUtf8(Captions[n]), this);
        label->setObjectName(QStringLiteral("Label%1").arg(n));
        label->setTextFormat(Qt::PlainText);
        label->setGeometry(64, 12 + (n - 1) * 20, 300, 18);
        Label[static_cast<size_t>(n)] = label;
    }
    Label_MakeSure = new QLabel(this);
    Label_MakeSure->setObjectName(QStringLiteral("Label_MakeSure"));
    Label_MakeSure->setTextFormat(Qt::PlainText);
    Label_MakeSure->setGeometry(16, 156, 348, 18);
    suiCheckBox1 = new QCheckBox(QStringLiteral("以后不再显示此对话框"), this);
    suiCheckBox1->setObjectName(QStringLiteral("suiCheckBox1"));
    suiCheckBox1->setAccessibleName(suiCheckBox1->text());
    suiCheckBox1->setGeometry(16, 180, 240, 20);
    suiButton_SureMake = new QPushButton(QStringLiteral("确定"), this);
    suiButton_SureMake->setObjectName(QStringLiteral("suiButton_SureMake"));
    suiButton_SureMake->setAccessibleName(QStringLiteral("确定"));
    suiButton_SureMake->setDefault(true);
    suiButton_SureMake->setGeometry(100, 208, 80, 27);
    suiButton_SureCancel = new QPushButton(QStringLiteral("取消"), this);
    suiButton_SureCancel->setObjectName(QStringLiteral("suiButton_SureCancel"));
    suiButton_SureCancel->setAccessibleName(QStringLiteral("取消"));
    suiButton_SureCancel->setGeometry(196, 208, 80, 27);
    connect(suiButton_SureMake, &QPushButton::clicked, this, &QDialog::accept);
    connect(suiButton_SureCancel, &QPushButton::clicked, this, &QDialog::reject);
    setFixedSize(380, 248);
}

void TForm_MakeSure::Fill(const ServerStructure& row, const std::string& message) {
    const std::string* values[8] = {nullptr,  &row.Name,    &row.IP,         &row.Port,
                                    &row.Map, &row.Players, &row.MaxPlayers, nullptr};
    const std::string version = VersionName(row.Protocol);
    values[7] = &version;
    for (int n = 1; n <= 7; ++n) {
        const QString text = QString::fromUtf8(Captions[n]) + QLatin1Char(' ') + ToQ(*values[n]);
        Label[static_cast<size_t>(n)]->setText(text);
        Label[static_cast<size_t>(n)]->setAccessibleName(text);
    }
    Label_MakeSure->setText(ToQ(message));
    Label_MakeSure->setAccessibleName(Label_MakeSure->text());
}

bool TForm_MakeSure::Ask() {
    Accepted = false;
    suiCheckBox1->setChecked(false);
    suiButton_SureMake->setFocus();
    Accepted = Dialogs::Exec(*this, DialogKind::Confirmation) == QDialog::Accepted;
    // Cancel ignores the check box.
    if (Accepted && SaveConfirm)
        SaveConfirm(suiCheckBox1->isChecked() ? "0" : "1");
    return Accepted;
}
