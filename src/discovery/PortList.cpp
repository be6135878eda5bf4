#include "PortList.h"

#include "ServerList.h"

#include <algorithm>

AddPortOutcome AddPort(std::vector<std::string>& items, const std::string& editText) {
    const auto value = ParseInt32(editText);
    if (!value)
        return {AddPortResult::NotInteger};
    if (*value < 1 || *value > 65535)
        return {AddPortResult::OutOfRange};
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i] == editText)
            return {AddPortResult::AlreadyListed};
        const auto itemValue = ParseInt32(items[i]);
        if (itemValue && *value < *itemValue) {
            items.insert(items.begin() + static_cast<ptrdiff_t>(i), editText);
            return {AddPortResult::Added, static_cast<int>(i)};
        }
    }
    items.push_back(editText);
    return {AddPortResult::Added, static_cast<int>(items.size() - 1)};
}

void DeletePorts(std::vector<std::string>& items, const std::vector<int>& selected) {
    std::vector<int> order = selected;
    std::sort(order.begin(), order.end(), std::greater<>());
    order.erase(std::unique(order.begin(), order.end()), order.end());
    for (const int index : order)
        if (index >= 0 && static_cast<size_t>(index) < items.size())
            items.erase(items.begin() + index);
}

PortListRebuild RebuildPortList(const std::vector<std::string>& items) {
    PortListRebuild out;
    for (const std::string& item : items) {
        const auto value = ParseInt32(item);
        if (!value) {
            out.Dropped.push_back(item);
            continue;
        }
        out.PortList.push_back(*value);
        out.Summary += item;
        out.Summary += "  ";
    }
    return out;
}
