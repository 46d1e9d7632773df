#include "simulation/ProgressBar.h"

#include <cstdio>

void ProgressBar(float pos, float total, int cols)
{
    std::printf("\r");
    if (!(total > 0.0f) || !(pos / total >= 1.0f)) return;
    for (int i = 0; i < cols; ++i) std::putchar('=');
}
