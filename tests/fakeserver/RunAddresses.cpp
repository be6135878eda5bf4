#include "RunAddresses.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>
#include <mutex>

namespace {

// Blocks handed out per run; the fixed blocks tests name lie below, so a forgotten
// RunIp never meets another run's servers either.
constexpr int FirstRunBlock = 128;
constexpr int LastRunBlock = 254;
// The marker: an address and port no test binds (the port lies above the system's
// range for chosen ports).
constexpr uint16_t MarkerPort = 65531;

// Made on first use, so a test's own static addresses may call RunIp before main.
struct Claims {
    std::mutex Mutex;
    std::map<int, int> Blocks; // fixed block -> run block
};
Claims& TheClaims() {
    static Claims claims;
    return claims;
}

bool Claim(int block) {
    const int handle = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (handle < 0)
        return false;
    sockaddr_in marker{};
    marker.sin_family = AF_INET;
    marker.sin_port = htons(MarkerPort);
    marker.sin_addr.s_addr = htonl((127u << 24) | (uint32_t(block) << 16) | (255u << 8) | 254u);
    if (bind(handle, reinterpret_cast<sockaddr*>(&marker), sizeof marker) != 0) {
        close(handle);
        return false;
    }
    // Held open until the process ends: the claim lives exactly as long as its servers.
    return true;
}

} // namespace

int RunBlock(int fixed) {
    Claims& claims = TheClaims();
    std::lock_guard lock(claims.Mutex);
    if (const auto found = claims.Blocks.find(fixed); found != claims.Blocks.end())
        return found->second;
    // Processes start their search at different blocks, so claims rarely contend.
    const int span = LastRunBlock - FirstRunBlock + 1;
    const int start = static_cast<int>((static_cast<unsigned>(getpid()) * 37u + unsigned(fixed)) %
                                       unsigned(span));
    for (int i = 0; i < span; ++i) {
        const int block = FirstRunBlock + (start + i) % span;
        bool mine = false;
        for (const auto& [f, r] : claims.Blocks)
            mine = mine || r == block;
        if (!mine && Claim(block)) {
            claims.Blocks[fixed] = block;
            return block;
        }
    }
    return -1;
}

std::string RunIp(std::string_view text) {
    std::string out;
    size_t at = 0;
    while (at < text.size()) {
        const size_t found = text.find("127.", at);
        if (found == std::string_view::npos)
            break;
        const size_t octet = found + 4;
        const size_t dot = text.find('.', octet);
        int fixed = -1;
        const char* end = nullptr;
        if (dot != std::string_view::npos && dot > octet && dot - octet <= 3) {
            const auto parsed = std::from_chars(text.data() + octet, text.data() + dot, fixed);
            end = parsed.ptr;
        }
        const bool standalone =
            found == 0 || !std::isdigit(static_cast<unsigned char>(text[found - 1]));
        const int block =
            standalone && end == text.data() + dot && fixed >= 0 && fixed < FirstRunBlock
                ? RunBlock(fixed)
                : -1;
        if (block < 0) {
            out.append(text.substr(at, octet - at));
            at = octet;
            continue;
        }
        out.append(text.substr(at, octet - at));
        out += std::to_string(block);
        at = dot;
    }
    out.append(text.substr(std::min(at, text.size())));
    return out;
}

std::string RunNet(int fixed, int third) {
    return "127." + std::to_string(RunBlock(fixed)) + "." + std::to_string(third);
}
