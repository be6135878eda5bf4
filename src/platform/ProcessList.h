#pragma once

#include <string>

// Number of running processes whose executable file name equals `exeName` exactly
// (byte-wise, case-sensitive). 0 when the process list cannot be read.
int CountProcessesNamed(const std::string& exeName);

// True when a running process has the executable file name `exeName` exactly; a Windows
// program run through wine counts under its own file name ("hl.exe"), not wine's. False
// when the process list cannot be read.
bool AnyProcessNamed(const std::string& exeName);

// The file name (no folder) of this process's own executable.
std::string OwnExecutableName();

// The running processes as the join asks about them; a fake stands in for tests.
class RunningProcesses {
public:
    virtual ~RunningProcesses() = default;
    // True when a running process has this executable file name (see AnyProcessNamed).
    virtual bool Running(const std::string& exeName) const = 0;
};

// The system's process list.
class SystemProcesses : public RunningProcesses {
public:
    bool Running(const std::string& exeName) const override { return AnyProcessNamed(exeName); }
    static SystemProcesses& Instance();
};
