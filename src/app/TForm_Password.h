#pragma once

#include <QDialog>

#include <optional>
#include <string>

class QLineEdit;
class QPushButton;

// The server password prompt. The typed text is shown, and stays for the next join.
class TForm_Password : public QDialog {
    Q_OBJECT
public:
    explicit TForm_Password(QWidget* parent = nullptr);

    // Shows the dialog modally: the field's text (GBK) after OK or Enter, nothing after
    // Cancel, Esc or any other close.
    std::optional<std::string> Ask();

    bool Accepted = false;
    QLineEdit* Password;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
};
