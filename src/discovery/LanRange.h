#pragma once

#include "NetworkInterfaces.h"

#include <optional>
#include <string>
#include <vector>

// A scan range as the two range boxes show it.
struct LanRange {
    std::string From;
    std::string To;
    bool operator==(const LanRange&) const = default;
};

// The range a first run offers: the hosts around the machine's own address on the first
// interface that is up and not a loopback, at most the /24 that holds that address (a
// wider network gives x.y.z.1 to x.y.z.254 around it, a narrower one its own hosts), and
// never a last part of 0 or 255, which the range boxes refuse. Nothing without such an
// interface.
std::optional<LanRange> FirstRunRange(const std::vector<NetworkInterface>& interfaces);

// The port list a first run offers: the game's usual server ports, 27015 to 27020.
std::vector<std::string> FirstRunPorts();
