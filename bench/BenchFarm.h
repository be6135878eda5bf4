#pragma once

#include "FakeServer.h"

// Starts `count` simulated servers named "Fake #N" on consecutive addresses from firstIp,
// port 27015, after raising the open-file limit for the client side too. False (with the
// reason on stderr) when the farm cannot start.
bool StartBenchFarm(FakeServerFarm& farm, int count, const char* firstIp);
