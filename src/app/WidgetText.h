#pragma once

#include <QFont>
#include <QString>

#include <string>

class QGroupBox;
class QLabel;
class QWidget;

// GBK program text shown by a widget, through the one decoder every displayed text uses.
QString ToQ(const std::string& gbk);
// Text a user typed into a widget, as GBK program text.
std::string FromQ(const QString& text);

// The window font: 12 pixels in a family that has the Chinese glyphs, with fallbacks
// that a stock Linux or Windows desktop carries.
QFont UiFont();

// Gives a control the accessible name and tool tip that screen readers and automation use.
void Name(QWidget* control, const QString& accessibleName);
void Hint(QWidget* control, const QString& hint);
// A caption label beside a control: the label becomes its buddy and names it (and the edit
// of an editable combo box, which must be made editable first).
QLabel* LabelFor(QWidget* parent, const QString& caption, QWidget* control);
// A group box's caption that screen readers announce as it changes.
void SetCaption(QGroupBox* group, const QString& caption);
