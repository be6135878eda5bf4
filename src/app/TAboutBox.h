#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTabWidget;

// The about box: name, version line, date and three pages (information, reminders,
// statement). Closes with its button or a mouse press anywhere on it.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
    // Shows the box modally.
    void ShowModal();

    QLabel* ProductName;
    QLabel* Version;
    QLabel* Copyright;
    QTabWidget* PageControl1;
    QPushButton* OKButton;

protected:
    void mousePressEvent(QMouseEvent* event) override;
};
