#include "geometry/ErrorHandler.h"

#include <cstdio>
#include <mutex>

#include "geometry/HeldOutput.h"

namespace {

std::mutex handlerMutex;
ErrorHandler installedHandler;

// The longest text the error box shows (its buffer holds 512 characters with the zero).
constexpr std::size_t kMaxErrorText = 511;

int DefaultHandler(const std::string& text)
{
    std::fprintf(stderr, "Error: %s", text.c_str());
    if (text.empty() || text.back() != '\n') std::fputc('\n', stderr);
    std::fflush(stderr);
    return 1;
}

}  // namespace

ErrorHandler SetErrorHandler(ErrorHandler handler)
{
    std::lock_guard<std::mutex> lock(handlerMutex);
    ErrorHandler previous = std::move(installedHandler);
    installedHandler = std::move(handler);
    return previous;
}

int ShowErrorText(const std::string& full)
{
    // A text built from a file (a reader's message quoting a huge token) is cut like any other.
    const std::string text = full.size() > kMaxErrorText ? full.substr(0, kMaxErrorText) : full;
    if (HeldOutput* held = ThreadOutputHold(); held && held->HoldError(text)) return 1;
    ErrorHandler handler;
    {
        std::lock_guard<std::mutex> lock(handlerMutex);
        handler = installedHandler;
    }
    // The handler may block (a modal box): call it without holding the lock.
    return handler ? handler(text) : DefaultHandler(text);
}

SorviExit::SorviExit(int status, const std::string& message)
    : std::runtime_error(message.empty() ? "exit status " + std::to_string(status) : message), status_(status)
{}

void ShowErrorAndThrowExit(int status, const std::string& text)
{
    ShowErrorText(text);
    throw SorviExit(status, text.size() > kMaxErrorText ? text.substr(0, kMaxErrorText) : text);
}
