#pragma once

#include "SearchThread.h"

#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// Records every request a scan sends, checking that each one is the info request;
// OnSend runs on the sending thread after the request is recorded, with the count so far.
struct SendRecorder {
    std::mutex Mutex;
    std::vector<std::pair<std::string, int>> Sent;
    std::function<void(size_t)> OnSend;

    SearchThread::SendFunction Function();
    size_t Count();
};
