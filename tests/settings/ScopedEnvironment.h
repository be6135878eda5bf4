#pragma once

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

// Sets or unsets environment variables for one scope and puts every one back as it was,
// so a test that changes HOME, PATH or XDG_CONFIG_HOME leaves no trace for the next one.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment() {
        for (const auto& [name, value] : Saved) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }
    // An empty optional unsets the variable.
    void Set(const std::string& name, const std::optional<std::string>& value) {
        if (!Saved.count(name)) {
            const char* now = std::getenv(name.c_str());
            Saved[name] = now ? std::optional<std::string>(now) : std::nullopt;
        }
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }

private:
    std::map<std::string, std::optional<std::string>> Saved;
};
