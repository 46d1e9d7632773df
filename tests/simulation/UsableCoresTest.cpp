#include <gtest/gtest.h>

#include <sched.h>

#include "simulation/UsableCores.h"

TEST(UsableCores, AffinityAndQuotaLimitTheCount)
{
    struct Case {
        unsigned affinity, online;
        const char* cpuMax;
        unsigned want;
    };
    const Case cases[] = {
        {4, 8, "", 4},               // taskset -c 0-3
        {0, 8, "", 8},               // no mask known: the online processors
        {8, 8, "max 100000", 8},     // a group without a quota
        {8, 8, "150000 100000", 2},  // 1.5 cores' time: two threads
        {8, 8, "400000 100000", 4},
        {2, 8, "400000 100000", 2},
        {0, 0, "", 1},  // nothing known: one
        {8, 8, "garbage", 8},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UsableCores(c.affinity, c.online, c.cpuMax), c.want) << c.affinity << ' ' << c.cpuMax;
}

TEST(UsableCores, FollowsTheAffinityMask)
{
    cpu_set_t saved;
    ASSERT_EQ(sched_getaffinity(0, sizeof saved, &saved), 0);
    cpu_set_t one;
    CPU_ZERO(&one);
    for (int c = 0; c < CPU_SETSIZE; ++c)
        if (CPU_ISSET(c, &saved)) {
            CPU_SET(c, &one);
            break;
        }
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    const unsigned pinned = UsableCores();
    ASSERT_EQ(sched_setaffinity(0, sizeof saved, &saved), 0);
    EXPECT_EQ(pinned, 1u);
    EXPECT_GE(UsableCores(), 1u);
}
