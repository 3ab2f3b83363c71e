#pragma once

// How a serial read ends, from the COMMTIMEOUTS in force when it starts and the number of
// bytes asked. A read that ends by a timeout succeeds with the bytes it has.

#include "platform/winapi/Win32.h"

#include <chrono>
#include <optional>

namespace win {

struct ReadPlan {
    // Ends at once with what is queued, even nothing (ReadIntervalTimeout MAXDWORD, both
    // totals 0).
    bool returnAtOnce = false;
    // Ends at once when anything is queued at the start.
    bool returnIfAnyQueued = false;
    // Ends as soon as one byte has arrived.
    bool returnOnFirstByte = false;
    // Ends this long after the read started.
    std::optional<std::chrono::milliseconds> total;
    // Ends when this long passes after a byte without another one.
    std::optional<std::chrono::milliseconds> interval;
};

ReadPlan PlanRead(const COMMTIMEOUTS& timeouts, DWORD toRead);

// ERROR_INVALID_PARAMETER for the one combination drivers refuse: all three read values
// MAXDWORD.
DWORD ValidateTimeouts(const COMMTIMEOUTS& timeouts);

} // namespace win
