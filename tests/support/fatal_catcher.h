// Turns the process-ending fatal error into an exception a test can expect.
#pragma once

#include <stdexcept>
#include <string>

#include "monitor/fatal.h"

struct FatalErrorRaised : std::runtime_error {
    using std::runtime_error::runtime_error;
};

inline void throw_fatal_error(const char* message) {
    throw FatalErrorRaised(message);
}

// Installs the throwing handler for the lifetime of the guard.
struct CatchFatalErrors {
    CatchFatalErrors() { set_fatal_handler(throw_fatal_error); }
    ~CatchFatalErrors() { set_fatal_handler(nullptr); }
    CatchFatalErrors(const CatchFatalErrors&) = delete;
    CatchFatalErrors& operator=(const CatchFatalErrors&) = delete;
};
