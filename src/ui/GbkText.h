#pragma once

#include <QString>

#include <string>
#include <string_view>

// GBK program text as a widget or list model shows it. Every displayed byte text goes
// through here, so one server name never shows two ways; a byte that does not decode
// shows as '?'.
QString GbkToQString(std::string_view gbk);

// Text a user typed, as GBK program text; characters GBK lacks become '?'.
std::string QStringToGbk(const QString& text);
