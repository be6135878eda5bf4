#include "WidgetText.h"

#include "Gbk.h"

#include <QLabel>
#include <QStringList>
#include <QWidget>

QString ToQ(const std::string& gbk) {
    return QString::fromStdString(GbkToUtf8(gbk));
}

std::string FromQ(const QString& text) {
    return Utf8ToGbk(text.toStdString());
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
    return label;
}
