#pragma once

#include "CliOptions.h"

// quarrix-cli query: info, and players and rules when asked, of one server.
// Returns the exit code.
int RunQuery(const CliOptions& options);
