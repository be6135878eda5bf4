#pragma once

#include <string>

// Number of running processes whose executable file name equals `exeName` exactly
// (byte-wise, case-sensitive). 0 when the process list cannot be read.
int CountProcessesNamed(const std::string& exeName);

// The file name (no folder) of this process's own executable.
std::string OwnExecutableName();
