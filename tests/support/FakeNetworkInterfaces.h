#pragma once

#include "NetworkInterfaces.h"

#include <vector>

// The interface list every test program sees unless a test installs another one: a
// loopback interface and one broadcast interface on 127.77.0.1/24 whose "broadcast"
// address 127.77.0.255 is an ordinary loopback address, so nothing a test does can read
// or reach the machine's real networks. Linking the test support installs it before main.
const std::vector<NetworkInterface>& DefaultTestInterfaces();

// One interface entry from texts ("127.77.0.1"), for the tests' own lists.
NetworkInterface TestInterface(const std::string& name, const std::string& address,
                               const std::string& netmask, const std::string& broadcast,
                               bool up = true, bool loopback = false, bool broadcastCapable = true);
