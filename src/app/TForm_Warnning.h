#pragma once

#include <QDialog>

#include <string>

class QLabel;
class QPushButton;

// The message dialog: one message, one OK button. Made anew for every message.
class TForm_Warnning : public QDialog {
    Q_OBJECT
public:
    static constexpr int DesignWidth = 440, DesignHeight = 153, MinWidth = 130;
    static constexpr int ButtonWidth = 80;

    explicit TForm_Warnning(QWidget* parent = nullptr);

    // Title and message (GBK), then the width: label width + 150, button centred.
    void SetMessage(const std::string& message, const std::string& caption);

    QWidget* suiForm1;
    QLabel* Image1;
    QLabel* Label_WarnningMsg;
    QPushButton* suiButton1;
};

// Shows `message` in a new modal TForm_Warnning titled `caption` (both GBK), waits until
// the user closes it and destroys it. UI thread only. A test answers it through
// Dialogs::SetNextAnswer(DialogKind::Message, ...), which gets the filled dialog.
void ShowWarning(const std::string& message, const std::string& caption);
