#include "TForm_Options.h"

#include "TUpDown.h"
#include "WidgetText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {

QWidget* Page(QTabWidget* pages, const char* name, const QString& caption) {
    auto* page = new QWidget;
    page->setObjectName(QString::fromLatin1(name));
    page->setAccessibleName(caption);
    pages->addTab(page, caption);
    return page;
}

QCheckBox* Check(QWidget* parent, int n, const QString& caption, int x, int y) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QStringLiteral("suiCheckBox%1").arg(n));
    box->setAccessibleName(caption);
    box->move(x, y);
    box->adjustSize();
    return box;
}

QLineEdit* PathRow(QWidget* page, int row, const char* editName, const QString& caption,
                   bool readOnly) {
    const int y = 14 + row * 30;
    auto* edit = new QLineEdit(page);
    edit->setObjectName(QString::fromLatin1(editName));
    edit->setReadOnly(readOnly);
    edit->setGeometry(158, y, readOnly ? 214 : 248, 21);
    auto* label = LabelFor(page, caption, edit);
    label->setGeometry(12, y, 142, 21);
    return edit;
}

QPushButton* Browse(QWidget* page, int row, const char* name, const QString& what) {
    auto* button = new QPushButton(QStringLiteral("..."), page);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(376, 14 + row * 30, 30, 21);
    button->setAccessibleName(QStringLiteral("浏览") + what);
    button->setToolTip(QStringLiteral("浏览"));
    button->setAutoDefault(false);
    return button;
}

} // namespace

void TForm_Options::BuildPages() {
    suiPageControl1 = new QTabWidget(this);
    suiPageControl1->setObjectName(QStringLiteral("suiPageControl1"));
    suiPageControl1->setAccessibleName(QStringLiteral("设置"));
    suiPageControl1->setGeometry(8, 8, ClientWidth - 16, 234);
    suiTabSheet1 = Page(suiPageControl1, "suiTabSheet1", QStringLiteral("路径"));
    suiTabSheet2 = Page(suiPageControl1, "suiTabSheet2", QStringLiteral("运行"));
    suiTabSheet3 = Page(suiPageControl1, "suiTabSheet3", QStringLiteral("自动"));
    suiTabSheet5 = Page(suiPageControl1, "suiTabSheet5", QStringLiteral("搜索"));
    suiTabSheet6 = Page(suiPageControl1, "suiTabSheet6", QStringLiteral("我的收藏"));
    suiTabSheet4 = Page(suiPageControl1, "suiTabSheet4", QStringLiteral("用户界面"));
    BuildPathPage();
    BuildRunPage();
    BuildAutoPage();
    BuildFilterPages();
    suiPageControl1->setCurrentIndex(0);
}

void TForm_Options::BuildPathPage() {
    QWidget* page = suiTabSheet1;
    suiEdit1 = PathRow(page, 0, "suiEdit1", QStringLiteral("CS1.5 安装路径"), true);
    suiButton1 = Browse(page, 0, "suiButton1", QStringLiteral("CS1.5 安装路径"));
    suiEdit4 = PathRow(page, 1, "suiEdit4", QStringLiteral("CS1.6 安装路径"), true);
    suiButton4 = Browse(page, 1, "suiButton4", QStringLiteral("CS1.6 安装路径"));
    suiEdit2 = PathRow(page, 2, "suiEdit2", QStringLiteral("Cheating-Death 安装路径"), true);
    suiButton2 = Browse(page, 2, "suiButton2", QStringLiteral("Cheating-Death 安装路径"));
    suiEdit3 = PathRow(page, 3, "suiEdit3", QStringLiteral("第三方工具安装路径"), true);
    suiButton3 = Browse(page, 3, "suiButton3", QStringLiteral("第三方工具安装路径"));
    suiEdit5 = PathRow(page, 4, "suiEdit5", QStringLiteral("CS1.5 运行参数"), false);
    suiEdit5->setText(QStringLiteral("-console -game cstrike"));
    suiEdit6 = PathRow(page, 5, "suiEdit6", QStringLiteral("CS1.6 运行参数"), false);
    suiEdit6->setText(QStringLiteral("-game cstrike"));
    connect(suiButton1, &QPushButton::clicked, this, &TForm_Options::suiButton1Click);
    connect(suiButton4, &QPushButton::clicked, this, &TForm_Options::suiButton4Click);
    connect(suiButton2, &QPushButton::clicked, this, &TForm_Options::suiButton2Click);
    connect(suiButton3, &QPushButton::clicked, this, &TForm_Options::suiButton3Click);
}

void TForm_Options::BuildRunPage() {
    QWidget* page = suiTabSheet2;
    CheckBox[1] = Check(page, 1, QStringLiteral("运行 CS 之前先运行 Cheating-Death"), 16, 16);
    CheckBox[2] = Check(page, 2, QStringLiteral("运行 CS 之前先运行第三方工具"), 16, 46);
    CheckBox[3] = Check(page, 3, QStringLiteral("运行 CS 之前暂停服务器搜索任务"), 16, 76);
    CheckBox[4] =
        Check(page, 4, QStringLiteral("运行 CS 之前中止所有服务器信息的获取和刷新"), 16, 106);
    CheckBox[7] = Check(page, 7, QStringLiteral("运行 CS 之前主窗口最小化到系统托盘"), 16, 136);
}

void TForm_Options::BuildAutoPage() {
    QWidget* page = suiTabSheet3;
    suiGroupBox1 = new QGroupBox(QStringLiteral("连续自动刷新"), page);
    suiGroupBox1->setObjectName(QStringLiteral("suiGroupBox1"));
    suiGroupBox1->setGeometry(10, 8, 403, 58);
    Edit_AutoInterval = new QLineEdit(suiGroupBox1);
    Edit_AutoInterval->setObjectName(QStringLiteral("Edit_AutoInterval"));
    Edit_AutoInterval->setReadOnly(true);
    Edit_AutoInterval->setGeometry(84, 24, 48, 21);
    LabelFor(suiGroupBox1, QStringLiteral("刷新间隔"), Edit_AutoInterval)
        ->setGeometry(14, 24, 66, 21);
    UpDown_AutoRefreshInterval = new TUpDown(Edit_AutoInterval, 1, 100, suiGroupBox1);
    UpDown_AutoRefreshInterval->setObjectName(QStringLiteral("UpDown_AutoRefreshInterval"));
    UpDown_AutoRefreshInterval->setAccessibleName(QStringLiteral("刷新间隔"));
    UpDown_AutoRefreshInterval->setGeometry(132, 24, 17, 21);
    auto* seconds = new QLabel(QStringLiteral("秒"), suiGroupBox1);
    seconds->setGeometry(156, 24, 30, 21);

    suiGroupBox2 = new QGroupBox(QStringLiteral("自动加入"), page);
    suiGroupBox2->setObjectName(QStringLiteral("suiGroupBox2"));
    suiGroupBox2->setGeometry(10, 74, 403, 118);
    auto* condition =
        new QLabel(QStringLiteral("满足下面条件时自动加入当前选择的服务器"), suiGroupBox2);
    condition->setGeometry(14, 22, 380, 20);
    ComboBox_Margin = new QComboBox(suiGroupBox2);
    ComboBox_Margin->setObjectName(QStringLiteral("ComboBox_Margin"));
    for (int i = 0; i <= 4; ++i)
        ComboBox_Margin->addItem(QString::number(i));
    ComboBox_Margin->setGeometry(170, 50, 50, 22);
    LabelFor(suiGroupBox2, QStringLiteral("当前人数 < = 人数上限 - "), ComboBox_Margin)
        ->setGeometry(14, 50, 154, 22);
    CheckBox[15] = Check(suiGroupBox2, 15, QStringLiteral("自动加入之前要求用户确认"), 14, 84);
}

void TForm_Options::BuildFilterPages() {
    QWidget* search = suiTabSheet5;
    CheckBox[12] = Check(search, 12, QStringLiteral("搜索 CS 1.5 服务器"), 16, 16);
    CheckBox[13] = Check(search, 13, QStringLiteral("搜索 CS 1.6 服务器"), 16, 46);
    CheckBox[14] = Check(search, 14, QStringLiteral("过滤重复服务器"), 16, 76);
    CheckBox[14]->setEnabled(false);

    QWidget* favorites = suiTabSheet6;
    CheckBox[11] = Check(favorites, 11, QStringLiteral("启动时刷新服务器列表信息"), 16, 16);
    CheckBox[8] = Check(favorites, 8, QStringLiteral("显示 CS 1.5 服务器"), 16, 46);
    CheckBox[9] = Check(favorites, 9, QStringLiteral("显示 CS 1.6 服务器"), 16, 76);
    CheckBox[10] = Check(favorites, 10, QStringLiteral("过滤重复服务器"), 16, 106);
    CheckBox[10]->setEnabled(false);

    QWidget* ui = suiTabSheet4;
    CheckBox[5] = Check(ui, 5, QStringLiteral("记住上一次主窗口的状态"), 16, 16);
    // Stay-on-top is changed only through the settings file; its box is kept but hidden.
    CheckBox[6] = Check(ui, 6, QStringLiteral("总在最前"), 16, 16);
    CheckBox[6]->hide();
}

void TForm_Options::BuildButtons() {
    auto make = [this](const char* name, const QString& caption, int x) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(QString::fromLatin1(name));
        button->setAccessibleName(caption);
        button->setGeometry(x, 251, 75, 27);
        button->setAutoDefault(false);
        return button;
    };
    Button_Default = make("Button_Default", QStringLiteral("默认"), 8);
    Button_DefaultAll = make("Button_DefaultAll", QStringLiteral("默认全部"), 89);
    suiButton_OK = make("suiButton_OK", QStringLiteral("确定"), 279);
    suiButton_Cancel = make("suiButton_Cancel", QStringLiteral("取消"), 360);
    connect(Button_Default, &QPushButton::clicked, this, &TForm_Options::Button_DefaultClick);
    connect(Button_DefaultAll, &QPushButton::clicked, this, &TForm_Options::Button_DefaultAllClick);
    connect(suiButton_OK, &QPushButton::clicked, this, &TForm_Options::suiButton_OKClick);
    connect(suiButton_Cancel, &QPushButton::clicked, this, &TForm_Options::suiButton_CancelClick);
}
