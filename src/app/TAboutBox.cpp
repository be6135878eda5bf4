#include "TAboutBox.h"

#include "Dialogs.h"
#include "WidgetText.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {

// A page of plain text; a press on it closes the box like a press anywhere else.
QWidget* Page(QTabWidget* pages, const char* name, const QString& title, const QString& text) {
    auto* page = new QLabel(text, pages);
    page->setObjectName(QString::fromLatin1(name));
    page->setTextFormat(Qt::PlainText);
    page->setWordWrap(true);
    page->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    page->setMargin(8);
    page->setAccessibleName(title);
    pages->addTab(page, title);
    return page;
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TAboutBox"));
    setWindowTitle(QStringLiteral("关于"));
    setFont(UiFont());
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(true);
    ProductName = new QLabel(QStringLiteral("Quarrix"), this);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    QFont big = font();
    big.setPixelSize(18);
    big.setBold(true);
    ProductName->setFont(big);
    ProductName->setGeometry(16, 12, 300, 26);
    Version = new QLabel(QStringLiteral("版本 1.6.0"), this);
    Version->setObjectName(QStringLiteral("Version"));
    Version->setGeometry(16, 42, 200, 18);
    Copyright = new QLabel(QStringLiteral("2004-04-06"), this);
    Copyright->setObjectName(QStringLiteral("Copyright"));
    Copyright->setGeometry(16, 62, 200, 18);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(12, 88, 356, 170);
    Page(PageControl1, "TabSheet1", QStringLiteral("信息"),
         QStringLiteral("Quarrix 是局域网与校园网上 Counter-Strike 1.5 / 1.6 服务器的浏览器：\n"
                        "搜索服务器、收藏服务器、查看服务器详细信息，并直接加入游戏。\n\n"
                        "感谢所有测试和提出建议的玩家。"));
    Page(PageControl1, "TabSheet2", QStringLiteral("提醒"),
         QStringLiteral("使用前请在 \"选项\" 中指定 CS 1.5 和 CS 1.6 的 hl.exe 路径。\n"
                        "搜索范围不宜过大，以免占用过多网络带宽。\n"
                        "自动加入会每秒询问一次目标服务器，直到有空位为止。"));
    Page(PageControl1, "TabSheet3", QStringLiteral("声明"),
         QStringLiteral("本程序为免费软件，可以自由使用和传播。\n"
                        "使用本程序造成的任何后果由使用者自行承担。\n"
                        "Counter-Strike 和 Half-Life 是其各自所有者的商标。"));
    OKButton = new QPushButton(QStringLiteral("关闭"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setAccessibleName(QStringLiteral("关闭"));
    OKButton->setDefault(true);
    OKButton->setGeometry(150, 268, 80, 27);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    // Presses on the labels reach the box itself (labels do not take them).
    setFixedSize(380, 306);
}

void TAboutBox::ShowModal() {
    PageControl1->setCurrentIndex(0);
    OKButton->setFocus();
    Dialogs::Exec(*this, DialogKind::About);
}

void TAboutBox::mousePressEvent(QMouseEvent* event) {
    QDialog::mousePressEvent(event);
    accept();
}
