#pragma once

#include "CliOptions.h"

// quarrix-cli lan: searches the machine's own networks by broadcast, as the window's
// "搜索局域网" does, and prints who answered. Returns the exit code.
int RunLan(const CliOptions& options);
