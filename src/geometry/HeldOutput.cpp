#include "geometry/HeldOutput.h"

#include <cstdio>

#include "geometry/ErrorHandler.h"

namespace {

thread_local HeldOutput* threadHold = nullptr;

std::string Format(const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n <= 0) return {};
    std::string text(static_cast<std::size_t>(n) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.pop_back();
    return text;
}

}  // namespace

void HeldOutput::Release()
{
    // Replayed and switched under the lock, so that the holder's next line comes after them.
    std::lock_guard<std::mutex> lock(mutex_);
    if (state_ != State::Holding) return;
    for (const Event& e : events_) {
        if (e.error)
            ShowErrorText(e.text);
        else
            std::fputs(e.text.c_str(), stdout);
    }
    events_.clear();
    state_ = State::Live;
}

void HeldOutput::Discard()
{
    std::lock_guard<std::mutex> lock(mutex_);
    events_.clear();
    state_ = State::Dropped;
}

bool HeldOutput::HoldText(const char* format, va_list args)
{
    std::lock_guard<std::mutex> lock(mutex_);
    switch (state_) {
    case State::Holding:
        events_.push_back({false, Format(format, args)});
        return true;
    case State::Dropped:
        return true;
    case State::Live:
        std::vprintf(format, args);
        return true;
    }
    return false;
}

bool HeldOutput::HoldError(const std::string& text)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (state_ == State::Live) return false;
    if (state_ == State::Holding) events_.push_back({true, text});
    return true;
}

ScopedOutputHold::ScopedOutputHold(HeldOutput& output) : previous_(threadHold)
{
    threadHold = &output;
}

ScopedOutputHold::~ScopedOutputHold()
{
    threadHold = previous_;
}

HeldOutput* ThreadOutputHold()
{
    return threadHold;
}

int Print(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = 0;
    if (threadHold) {
        threadHold->HoldText(format, args);
    } else {
        n = std::vprintf(format, args);
    }
    va_end(args);
    return n;
}
