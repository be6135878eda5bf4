#include "TUpDown.h"

#include <QLineEdit>
#include <QToolButton>

#include <algorithm>

TUpDown::TUpDown(QLineEdit* associate, int min, int max, QWidget* parent)
    : QWidget(parent), Associate(associate), Min(min), Max(max) {
    Up = new QToolButton(this);
    Up->setArrowType(Qt::UpArrow);
    Up->setAutoRepeat(true);
    Up->setAccessibleName(QStringLiteral("增加"));
    Down = new QToolButton(this);
    Down->setArrowType(Qt::DownArrow);
    Down->setAutoRepeat(true);
    Down->setAccessibleName(QStringLiteral("减少"));
    connect(Up, &QToolButton::clicked, this, [this] { Step(1); });
    connect(Down, &QToolButton::clicked, this, [this] { Step(-1); });
    resize(17, 21);
}

int TUpDown::Position() const {
    bool ok = false;
    const int value = Associate->text().trimmed().toInt(&ok);
    return ok ? std::clamp(value, Min, Max) : Min;
}

void TUpDown::Step(int delta) {
    const int next = std::clamp(Position() + delta, Min, Max);
    Associate->setText(QString::number(next));
}

void TUpDown::resizeEvent(QResizeEvent*) {
    const int half = height() / 2;
    Up->setGeometry(0, 0, width(), half);
    Down->setGeometry(0, half, width(), height() - half);
}
