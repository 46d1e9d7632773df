#include "simulation/UsableCores.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include <sched.h>

unsigned UsableCores(unsigned affinity, unsigned online, const char* cpuMax)
{
    unsigned cores = affinity ? affinity : online;
    if (cpuMax && *cpuMax) {
        long long quota = 0, period = 0;
        // "max <period>" has no quota: the scan stops at "max".
        if (std::sscanf(cpuMax, "%lld %lld", &quota, &period) == 2 && quota > 0 && period > 0) {
            const long long allowed = (quota + period - 1) / period;
            if (allowed < static_cast<long long>(cores) || cores == 0) cores = static_cast<unsigned>(allowed);
        }
    }
    return std::max(cores, 1u);
}

unsigned UsableCores()
{
    unsigned affinity = 0;
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) affinity = static_cast<unsigned>(CPU_COUNT(&set));
    // The process's own control group (cgroup v2: the line "0::<path>").
    std::string group, line;
    if (std::ifstream in("/proc/self/cgroup"); in)
        while (std::getline(in, line))
            if (line.rfind("0::", 0) == 0) group = line.substr(3);
    std::string cpuMax;
    if (std::ifstream in("/sys/fs/cgroup" + group + "/cpu.max"); in) std::getline(in, cpuMax);
    return UsableCores(affinity, std::thread::hardware_concurrency(), cpuMax.c_str());
}
