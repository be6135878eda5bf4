#pragma once

#include <atomic>
#include <string>
#include <thread>

// A safety net for tests of a named pipe where a program might wait for ever in open():
// from `afterMs` on it keeps opening the pipe's writing end without waiting and closing it
// again, which ends a reader's blocked open with an empty file. Rescues() counts the opens
// that found a reader, so a test can tell a read that would have hung from one that did not.
class PipeRescue {
public:
    explicit PipeRescue(std::string path, int afterMs = 5000);
    ~PipeRescue();
    PipeRescue(const PipeRescue&) = delete;
    PipeRescue& operator=(const PipeRescue&) = delete;

    int Rescues() const { return Count.load(); }

private:
    std::string Path;
    std::atomic<bool> Stop{false};
    std::atomic<int> Count{0};
    std::thread Thread;
};

// Makes a named pipe at the path; false when it cannot.
bool MakePipe(const std::string& path);
