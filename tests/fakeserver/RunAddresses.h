#pragma once

#include <cstdint>
#include <string>
#include <unistd.h>

// Loopback addresses of this run: a block 127.A.B.1-254 chosen from the process id, so
// two copies of the suite side by side bind different addresses. `lane` (0..15) tells
// apart the blocks that one executable uses for different purposes.
inline std::string RunAddress(int lane, int host) {
    const uint32_t h = static_cast<uint32_t>(getpid()) * 2654435761u;
    const uint32_t a = 64 + (h >> 24) % 190;
    const uint32_t b = ((h >> 16) & 0xF0u) | (static_cast<uint32_t>(lane) & 0x0Fu);
    return "127." + std::to_string(a) + "." + std::to_string(b) + "." +
           std::to_string(1 + (host % 254));
}
