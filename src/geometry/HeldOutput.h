#pragma once
// Printing that a worker thread can hold back: what a thread prints while it holds output is kept,
// with its error texts, until the thread that owns the order of the lines releases it.

#include <cstdarg>
#include <mutex>
#include <string>
#include <vector>

class HeldOutput {
public:
    // Replays what is held (printed lines to stdout, error texts to the error handler) and lets
    // later output of the holding thread go straight out.
    void Release();
    // Forgets what is held; later output is dropped.
    void Discard();

    // Used by Print and ShowErrorText for a thread that holds output. False: go straight out.
    bool HoldText(const char* format, va_list args);
    bool HoldError(const std::string& text);

private:
    struct Event {
        bool error;
        std::string text;
    };
    enum class State { Holding, Live, Dropped };
    std::mutex mutex_;
    std::vector<Event> events_;
    State state_ = State::Holding;
};

// While alive, the calling thread's output goes to `output` (nested holds are not supported).
class ScopedOutputHold {
public:
    explicit ScopedOutputHold(HeldOutput& output);
    ~ScopedOutputHold();
    ScopedOutputHold(const ScopedOutputHold&) = delete;
    ScopedOutputHold& operator=(const ScopedOutputHold&) = delete;

private:
    HeldOutput* previous_;
};

// The hold of the calling thread, or null.
HeldOutput* ThreadOutputHold();

// printf to stdout, or into the calling thread's hold.
int Print(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
