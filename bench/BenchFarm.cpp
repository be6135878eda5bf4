#include "BenchFarm.h"

#include <sys/resource.h>

#include <cstdio>

void RaiseDescriptorLimit() {
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
}

bool StartBenchFarm(FakeServerFarm& farm, int count, const char* firstIp) {
    RaiseDescriptorLimit();
    FakeServerConfig base;
    base.Name.clear();
    if (farm.AddMany(count, firstIp, 27015, base) < 0 || !farm.Start()) {
        std::fprintf(stderr, "farm failed: %s\n", farm.LastError().c_str());
        return false;
    }
    return true;
}
