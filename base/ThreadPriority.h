#pragma once

#include <cstdint>

namespace tavrin {

// Scheduling priorities of the class library's threads, with their Win32 values.
enum TThreadPriority : std::uint8_t {
    tpIdle,
    tpLowest,
    tpLower,
    tpNormal,
    tpHigher,
    tpHighest,
    tpTimeCritical
};

constexpr int ThreadPriorityValue(TThreadPriority p) {
    constexpr int values[] = {-15, -2, -1, 0, 1, 2, 15};
    return values[p];
}

} // namespace tavrin
