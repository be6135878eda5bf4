#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// Two arrow buttons that step the whole number shown in an associated edit between Min
// and Max, without wrapping. The edit itself may be read-only.
class TUpDown : public QWidget {
    Q_OBJECT
public:
    TUpDown(QLineEdit* associate, int min, int max, QWidget* parent = nullptr);

    // Steps by `delta` from the edit's number (or from Min when it shows no number).
    void Step(int delta);
    int Position() const;
    QToolButton* UpButton() const { return Up; }
    QToolButton* DownButton() const { return Down; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QLineEdit* Associate;
    int Min, Max;
    QToolButton* Up;
    QToolButton* Down;
};
