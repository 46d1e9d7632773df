#pragma once
// Where the shared code's error texts go, and how a fatal error leaves the shared code.

#include <functional>
#include <stdexcept>
#include <string>

// Shows one error text to the user and returns the answer of the box (1 for OK).
// The console program keeps the default (stderr); the desktop program installs a message box.
using ErrorHandler = std::function<int(const std::string& text)>;

// Installs a handler and returns the previous one; an empty handler restores the default.
ErrorHandler SetErrorHandler(ErrorHandler handler);

// Passes the text, cut at 511 characters, to the installed handler, or into the calling thread's
// held output (see HeldOutput.h). Safe to call from any thread.
int ShowErrorText(const std::string& text);

// "The process ends with status N": the library throws this and the program's main() turns
// it into that exit status (the desktop program shows nothing more and goes on). The message
// has already been shown or printed.
class SorviExit : public std::runtime_error {
public:
    SorviExit(int status, const std::string& message);
    int Status() const { return status_; }

private:
    int status_;
};

// A fatal error: shows `text` through the installed handler, then throws SorviExit(status, text).
// Nothing ends here; whoever catches the SorviExit decides.
[[noreturn]] void ShowErrorAndThrowExit(int status, const std::string& text);
