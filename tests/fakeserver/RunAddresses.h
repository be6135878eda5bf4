#pragma once

#include <string>
#include <string_view>

// Loopback addresses of this run. A test names its simulated servers in a fixed block
// (127.F.x.y, F below 128, one F per test file) and binds and asks them through RunIp,
// which moves them to a block 127.R.0.0/16 (R from 128 up) that this process holds
// alone: the block is claimed by binding a marker socket in it, which the system keeps
// for this process until it ends, so two copies of the suite (or two test programs of
// one suite) never share a server address. Any thread.

// The second octet R that stands for the fixed block 127.F.0.0/16 in this process;
// -1 when every block is taken.
int RunBlock(int fixed);

// `text` with every address of a fixed block, "127.F." (F below 128), moved to this
// run's block "127.R."; the rest of the text is kept ("Alpha@127.50.1.3:27015",
// "IP 地址: 127.50.1.20" and "127.50." all work).
std::string RunIp(std::string_view text);

// The first three octets of this run's block for F, x, without the dot: "127.R.x".
std::string RunNet(int fixed, int third);

// Host `host` (1..254, wrapping) of lane `lane` (0..255) in this run's block for servers
// that tests place by number rather than by a fixed address.
inline std::string RunAddress(int lane, int host) {
    return RunNet(90, lane) + "." + std::to_string(1 + host % 254);
}
