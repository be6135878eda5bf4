#include "GbkText.h"

#include "Gbk.h"

QString GbkToQString(std::string_view gbk) {
    const std::string utf8 = GbkToUtf8(gbk);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string QStringToGbk(const QString& text) {
    return Utf8ToGbk(text.toStdString());
}
