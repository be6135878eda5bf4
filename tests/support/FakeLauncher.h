#pragma once

#include "ProcessLauncher.h"
#include "ProcessList.h"

#include <set>
#include <string>
#include <vector>

// A launcher that records every start instead of starting anything.
class FakeLauncher : public ProcessLauncher {
public:
    struct Started {
        std::string File, Parameters, WorkingDirectory;
        bool operator==(const Started&) const = default;
    };
    bool Start(const std::string& file, const std::string& parameters,
               const std::string& workingDirectory) override {
        Starts.push_back({file, parameters, workingDirectory});
        return Succeeds;
    }
    bool CanStart(const std::string& file) const override {
        Checked.push_back(file);
        return Startable;
    }
    std::vector<Started> Starts;
    mutable std::vector<std::string> Checked; // files asked about with CanStart
    bool Succeeds = true;
    bool Startable = true;
};

// A process list holding exactly the names it is given.
class FakeProcesses : public RunningProcesses {
public:
    bool Running(const std::string& exeName) const override { return Names.count(exeName) > 0; }
    std::set<std::string> Names;
};
