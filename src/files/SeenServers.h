#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

// The servers a reader has taken so far, by their exact address and port texts, so a
// repeated one is found in constant time however long the file.
class SeenServers {
public:
    // True the first time a server is named.
    bool Add(std::string_view ip, std::string_view port) {
        std::string key;
        key.reserve(ip.size() + port.size() + 1);
        key.append(ip).push_back('\0'); // a line holds no zero byte, so the key is unambiguous
        key.append(port);
        return Keys.insert(std::move(key)).second;
    }

private:
    std::unordered_set<std::string> Keys;
};
