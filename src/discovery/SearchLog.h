#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The lines of Memo_SearchLog, GBK text. Lines are replaced by index the way a memo's
// line list works: an index equal to the line count appends, a larger one does nothing.
// So once the user has emptied the log, the per-request lines stay away until the two
// final lines are appended.
class SearchLog {
public:
    const std::vector<std::string>& Lines() const { return Items; }
    // All lines joined with "\r\n", as the memo shows them.
    std::string Text() const;

    void Clear() { Items.clear(); }
    void Append(std::string line) { Items.push_back(std::move(line)); }
    // Replaces line `index`; appends when index == line count; ignored beyond that.
    void SetLine(size_t index, std::string line);

    // Empties the log and writes "搜索开始 ..." and two empty lines.
    void Reset();
    // Lines 1..3 for a request: "IP 地址: " address, "端口: " port, "总计:  " count.
    void ShowRequest(const std::string& addressText, int32_t port, uint64_t count);
    // Appends "搜索结束 !" and "用时 : " elapsed " ms ! ".
    void ShowFinish(uint32_t elapsedMs);

private:
    std::vector<std::string> Items;
};
