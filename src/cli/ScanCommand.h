#pragma once

#include "CliOptions.h"

// quarrix-cli scan: walks the range like the window and prints who answered.
// Returns the exit code.
int RunScan(const CliOptions& options);
