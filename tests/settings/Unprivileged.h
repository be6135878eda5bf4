#pragma once

#include <functional>
#include <optional>

// Runs `action` without the rights to bypass file permissions and returns its result:
// directly for an ordinary user, in a child process switched to user "nobody" for root
// (root writes into any folder, so a permission failure cannot be shown otherwise).
// nullopt when the action could not be run at all.
std::optional<bool> RunUnprivileged(const std::function<bool()>& action);

// True when RunUnprivileged switches users; paths it touches must then be open to others.
bool RunsAsRoot();
