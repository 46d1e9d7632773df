#pragma once
// The number of cores this process may run on: the processors of its affinity mask (as
// `taskset` or a container's cpuset leaves them), no more than a CPU quota of its control group
// allows (rounded up), at least 1.
unsigned UsableCores();

// The same from given facts, for tests: `affinity` processors (0: unknown, then `online`), and
// the text of a cgroup v2 "cpu.max" file ("max 100000", "150000 100000"; empty: no file).
unsigned UsableCores(unsigned affinity, unsigned online, const char* cpuMax);
