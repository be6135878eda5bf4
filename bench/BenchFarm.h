#pragma once

#include "FakeServer.h"

// Raises this process's open-file limit to its hard limit (farms and endpoints hold one
// socket each).
void RaiseDescriptorLimit();

// Starts `count` simulated servers named "Fake #N" on consecutive addresses from firstIp,
// port 27015, after raising the open-file limit for the client side too. False (with the
// reason on stderr) when the farm cannot start.
bool StartBenchFarm(FakeServerFarm& farm, int count, const char* firstIp);
