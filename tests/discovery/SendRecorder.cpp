#include "SendRecorder.h"

#include "A2sProtocol.h"
#include "QueryProtocol.h"

#include <gtest/gtest.h>

#include <algorithm>

SearchThread::SendFunction SendRecorder::Function() {
    return [this](const std::string& host, int port, std::span<const uint8_t> bytes) {
        const bool text =
            std::equal(bytes.begin(), bytes.end(), InfoRequest().begin(), InfoRequest().end());
        const bool binary = std::equal(bytes.begin(), bytes.end(), A2sInfoRequest().begin(),
                                       A2sInfoRequest().end());
        EXPECT_TRUE(text || binary);
        size_t n = 0;
        {
            std::lock_guard lock(Mutex);
            ++Datagrams;
            if (text) {
                EXPECT_FALSE(TextSent) << "two text requests in a row";
                TextSent.emplace(host, port);
                return;
            }
            EXPECT_EQ(TextSent, (std::pair<std::string, int>{host, port}))
                << "a binary request without the text one before it";
            TextSent.reset();
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
