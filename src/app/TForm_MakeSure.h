#pragma once

#include "ServerStructure.h"

#include <QDialog>

#include <array>
#include <functional>
#include <string>

class QCheckBox;
class QLabel;
class QPushButton;

// The auto-join's confirmation: the server that has room, and whether to ask again.
class TForm_MakeSure : public QDialog {
    Q_OBJECT
public:
    explicit TForm_MakeSure(QWidget* parent = nullptr);

    // The seven labels for the reply's row and the message (GBK).
    void Fill(const ServerStructure& row, const std::string& message);
    // Shows the dialog modally; true when the join is confirmed. On OK the choice of the
    // check box goes to SaveConfirm ("0" when it was checked, "1" otherwise).
    bool Ask();

    // Stores AutoActions/Confirm and saves the settings.
    std::function<void(const std::string& confirm)> SaveConfirm;

    bool Accepted = false;
    QLabel* Image1;
    std::array<QLabel*, 8> Label{}; // [n] is LabelN, n = 1..7
    QLabel* Label_MakeSure;
    QPushButton* suiButton_SureMake;
    QPushButton* suiButton_SureCancel;
    QCheckBox* suiCheckBox1;
};

// "CS1.5" for tag "46", "CS1.6" for "47", nothing otherwise.
std::string VersionName(const std::string& protocol);
