#include "PortList.h"

#include "ServerList.h"

#include <algorithm>

namespace {

bool IsPort(std::optional<int32_t> value) {
    return value && *value >= 1 && *value <= 65535;
}

} // namespace

AddPortOutcome AddPort(std::vector<std::string>& items, const std::string& editText) {
    const auto value = ParseInt32(editText);
    if (!value)
        return {AddPortResult::NotInteger};
    if (!IsPort(value))
        return {AddPortResult::OutOfRange};
    // The whole list is searched first: a list from the settings file need not be sorted.
    for (const std::string& item : items)
        if (ParseInt32(item) == value)
            return {AddPortResult::AlreadyListed};
    const std::string text = std::to_string(*value);
    for (size_t i = 0; i < items.size(); ++i) {
        const auto itemValue = ParseInt32(items[i]);
        if (itemValue && *value < *itemValue) {
            items.insert(items.begin() + static_cast<ptrdiff_t>(i), text);
            return {AddPortResult::Added, static_cast<int>(i)};
        }
    }
    items.push_back(text);
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
        if (!IsPort(value) ||
            std::find(out.PortList.begin(), out.PortList.end(), *value) != out.PortList.end()) {
            out.Dropped.push_back(item);
            continue;
        }
        out.PortList.push_back(*value);
        out.Items.push_back(std::to_string(*value));
        out.Summary += out.Items.back();
        out.Summary += "  ";
    }
    return out;
}
