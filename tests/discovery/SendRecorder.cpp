#include "SendRecorder.h"

#include "QueryProtocol.h"

#include <gtest/gtest.h>

#include <algorithm>

SearchThread::SendFunction SendRecorder::Function() {
    return [this](const std::string& host, int port, std::span<const uint8_t> bytes) {
        EXPECT_TRUE(
            std::equal(bytes.begin(), bytes.end(), InfoRequest().begin(), InfoRequest().end()));
        size_t n;
        {
            std::lock_guard lock(Mutex);
            Sent.emplace_back(host, port);
            n = Sent.size();
        }
        if (OnSend)
            OnSend(n);
    };
}

size_t SendRecorder::Count() {
    std::lock_guard lock(Mutex);
    return Sent.size();
}
