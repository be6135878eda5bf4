#include "SearchLog.h"

#include "Gbk.h"

namespace {

// Built once: the texts are fixed and converting them per request would cost a scan.
struct LogTexts {
    std::string Started = G("搜索开始 ...");
    std::string Address = G("IP 地址: ");
    std::string Port = G("端口: ");
    std::string Total = G("总计:  ");
    std::string Finished = G("搜索结束 !");
    std::string Elapsed = G("用时 : ");
    std::string Ms = G(" ms ! ");
};

const LogTexts& Texts() {
    static const LogTexts texts;
    return texts;
}

} // namespace

std::string SearchLog::Text() const {
    std::string out;
    for (size_t i = 0; i < Items.size(); ++i) {
        if (i)
            out += "\r\n";
        out += Items[i];
    }
    return out;
}

void SearchLog::SetLine(size_t index, std::string line) {
    if (index < Items.size())
        Items[index] = std::move(line);
    else if (index == Items.size())
        Items.push_back(std::move(line));
}

void SearchLog::Reset() {
    Items.clear();
    Items.push_back(Texts().Started);
    Items.emplace_back();
    Items.emplace_back();
}

void SearchLog::ShowRequest(const std::string& addressText, int32_t port, uint64_t count) {
    SetLine(1, Texts().Address + addressText);
    SetLine(2, Texts().Port + std::to_string(port));
    SetLine(3, Texts().Total + std::to_string(count));
}

void SearchLog::ShowFinish(uint32_t elapsedMs) {
    Append(Texts().Finished);
    Append(Texts().Elapsed + std::to_string(elapsedMs) + Texts().Ms);
}
