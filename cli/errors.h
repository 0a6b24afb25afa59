#pragma once

#include <stdexcept>

// A usage, input or file error: the command stops with exit status 2 and this one-line message.
struct UsageError : std::runtime_error
{
    using std::runtime_error::runtime_error;
};
