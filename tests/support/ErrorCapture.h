#pragma once
// Collects what the shared code shows through ErrorMessage while a test runs.

#include <string>
#include <vector>

#include "geometry/ErrorHandler.h"

class ErrorCapture {
public:
    ErrorCapture()
    {
        previous_ = SetErrorHandler([this](const std::string& text) {
            messages.push_back(text);
            return 1;
        });
    }
    ~ErrorCapture() { SetErrorHandler(previous_); }
    ErrorCapture(const ErrorCapture&) = delete;
    ErrorCapture& operator=(const ErrorCapture&) = delete;

    std::string Joined() const
    {
        std::string all;
        for (const auto& m : messages) all += m;
        return all;
    }

    std::vector<std::string> messages;

private:
    ErrorHandler previous_;
};
