#pragma once

#include <functional>

// Runs the event loop until `condition` holds or `timeoutMs` pass; returns whether it
// holds.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 2000);
