#include "PortPanel.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QToolButton>

PortPanel::PortPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ComboBox_Port"));
    setAccessibleName(QStringLiteral("端口"));
    setAutoFillBackground(true);
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setGeometry(0, 0, 10, 10);
    frame->lower();
    frame->setObjectName(QStringLiteral("ComboBox_PortFrame"));
    Title = new QWidget(this);
    Drop = new QToolButton(Title);
    Drop->setObjectName(QStringLiteral("ComboBox_PortButton"));
    Drop->setArrowType(Qt::DownArrow);
    Drop->setAccessibleName(QStringLiteral("端口列表"));
    Drop->setToolTip(QStringLiteral("端口列表"));
    Body = new QWidget(this);
    Body->hide();
    connect(Drop, &QToolButton::clicked, this, [this] { Expanded ? Collapse() : Expand(); });
    connect(qApp, &QApplication::focusChanged, this, &PortPanel::FocusChanged);
    resize(100, TitleHeight);
}

void PortPanel::Expand() {
    if (Expanded)
        return;
    Expanded = true;
    Drop->setArrowType(Qt::UpArrow);
    resize(width(), ExpandedHeight);
    Body->show();
    raise();
    // The summary edit lies over the title strip and must stay above the panel.
    if (QWidget* summary = parentWidget()
                               ? parentWidget()->findChild<QWidget*>(QStringLiteral("Edit_Ports"),
                                                                     Qt::FindDirectChildrenOnly)
                               : nullptr)
        summary->raise();
    if (QWidget* first = Body->nextInFocusChain(); first && Body->isAncestorOf(first))
        first->setFocus();
}

void PortPanel::Collapse() {
    const bool wasExpanded = Expanded;
    Expanded = false;
    Drop->setArrowType(Qt::DownArrow);
    Body->hide();
    resize(width(), TitleHeight);
    if (wasExpanded && Body->isAncestorOf(QApplication::focusWidget()))
        Drop->setFocus();
    if (OnPortPanelCollapse)
        OnPortPanelCollapse();
    emit Collapsed();
}

void PortPanel::resizeEvent(QResizeEvent*) {
    const int w = width();
    if (auto* frame = findChild<QFrame*>(QStringLiteral("ComboBox_PortFrame")))
        frame->setGeometry(0, 0, w, height());
    Title->setGeometry(0, 0, w, TitleHeight);
    Drop->setGeometry(w - 18, 1, 17, TitleHeight - 2);
    Body->setGeometry(0, TitleHeight, w, ExpandedHeight - TitleHeight);
}

void PortPanel::changeEvent(QEvent* event) {
    // A disabled panel (while a scan runs) must not stay open.
    if (event->type() == QEvent::EnabledChange && !isEnabled() && Expanded)
        Collapse();
    QWidget::changeEvent(event);
}

void PortPanel::FocusChanged(QWidget* old, QWidget* now) {
    if (!Expanded || !old || !isAncestorOf(old))
        return;
    if (now && isAncestorOf(now))
        return;
    // A message box or any other window taking the focus leaves the panel open behind it;
    // only a move to another control of this window folds it.
    if (!now || now->window() != window())
        return;
    Collapse();
}
