#pragma once

#include <array>
#include <string>

// The 24 user messages, GBK bytes, by index. Built once and never changed.
class MessageTable {
public:
    static constexpr int Count = 24;
    MessageTable();
    const std::string& operator[](int index) const { return Texts.at(static_cast<size_t>(index)); }
    int size() const { return Count; }

private:
    std::array<std::string, Count> Texts;
};

// Indices that the program names.
enum MessageIndex {
    MsgNotice = 0,
    MsgError = 1,
    MsgWarning = 2,
    MsgInvalidAddress = 3,
    MsgCannotReadId = 4,
    MsgInvalidPort = 5,
    MsgThreadFailed = 6,
    MsgSearchIntervalFormat = 7,
    MsgSearchIntervalTooSmall = 8,
    MsgIntervalFormat = 9,
    MsgCannotCreateText = 10,
    MsgCannotOpenFavorites = 11,
    MsgJoinNow = 12,
    MsgLocateExeFailed = 13,
    MsgExeRunFailed = 14,
    MsgServerDown = 15,
    MsgServerFull = 16,
    MsgNoServerSelected = 17,
    MsgCannotOpenList = 18,
    MsgInvalidListEntry = 19,
    MsgNoHelpFile = 20,
    MsgCannotReadId2 = 21,
    MsgFirstRunFavorites = 22,
    MsgEmptyId = 23,
};
