#pragma once

// One transfer or event wait in progress inside a CommDriver (private to the driver).

#include "platform/driver/CommDriver.h"
#include "platform/winapi/Event.h"

#include <atomic>

namespace win {

struct CommDriver::Op {
    OVERLAPPED* overlapped = nullptr;
    std::shared_ptr<Event> event; // held from the start, like the kernel's reference
    // A read: the caller's buffer, the count asked, the count delivered so far.
    std::uint8_t* buffer = nullptr;
    DWORD want = 0;
    DWORD got = 0;
    ReadPlan plan;
    bool started = false; // a read starts when it reaches the head of the queue
    std::optional<Clock::time_point> totalDeadline;
    std::optional<Clock::time_point> intervalDeadline;
    // A write: the caller's bytes (kept by the caller until it completes; `want` and `got`
    // count them) and whether it has been told to stop.
    const std::uint8_t* data = nullptr;
    std::atomic<bool> abortWrite{false};
    // WaitCommEvent: where the events go.
    DWORD* eventMask = nullptr;
    bool done = false;
    DWORD status = ERROR_SUCCESS;
};

} // namespace win
