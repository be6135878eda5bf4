#pragma once

#include "SearchThread.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Records what a scan sends, checking that each address and port gets the text info
// request and then the binary one, nothing else: Sent holds one entry per address and
// port, recorded when its second request has gone. OnSend runs on the sending thread
// after that, with the count so far.
struct SendRecorder {
    std::mutex Mutex;
    std::vector<std::pair<std::string, int>> Sent;
    std::function<void(size_t)> OnSend;
    size_t Datagrams = 0;
    std::optional<std::pair<std::string, int>> TextSent; // waiting for its binary request

    SearchThread::SendFunction Function();
    size_t Count();
};
