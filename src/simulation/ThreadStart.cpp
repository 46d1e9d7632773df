#include "simulation/ThreadStart.h"

#include <mutex>

namespace {

std::mutex faultMutex;
std::function<bool()> fault;

}  // namespace

std::function<bool()> SetThreadStartFault(std::function<bool()> f)
{
    std::lock_guard<std::mutex> lock(faultMutex);
    return std::exchange(fault, std::move(f));
}

bool ThreadStartRefused()
{
    std::lock_guard<std::mutex> lock(faultMutex);
    return fault && fault();
}
