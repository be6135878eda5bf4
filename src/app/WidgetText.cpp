#include "WidgetText.h"

#include "GbkText.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QWidget>

QString ToQ(const std::string& gbk) {
    return GbkToQString(gbk);
}

std::string FromQ(const QString& text) {
    return QStringToGbk(text);
}

QFont UiFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Source Han Sans SC"),
                      QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Microsoft YaHei"),
                      QStringLiteral("SimSun"), QStringLiteral("Droid Sans Fallback"),
                      QStringLiteral("sans-serif")});
    font.setPixelSize(12);
    return font;
}

void Name(QWidget* control, const QString& accessibleName) {
    control->setAccessibleName(accessibleName);
}

void Hint(QWidget* control, const QString& hint) {
    control->setToolTip(hint);
    if (control->accessibleName().isEmpty())
        control->setAccessibleName(hint);
}

QLabel* LabelFor(QWidget* parent, const QString& caption, QWidget* control) {
    auto* label = new QLabel(caption, parent);
    label->setBuddy(control);
    control->setAccessibleName(caption);
    // The edit inside an editable combo box takes the focus and is what a reader announces.
    if (auto* box = qobject_cast<QComboBox*>(control); box && box->lineEdit())
        box->lineEdit()->setAccessibleName(caption);
    return label;
}

void SetCaption(QGroupBox* group, const QString& caption) {
    group->setTitle(caption);
    group->setAccessibleName(caption);
    group->setAccessibleDescription(caption);
}
