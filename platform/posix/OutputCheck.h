#pragma once

// When to look again whether the kernel has sent what it holds. The kernel cannot say when
// its output queue runs empty, so the I/O thread looks after the line time of what is
// left. While nothing leaves (XOFF received, CTS low) that would wake it every character
// time for as long as the stall lasts; instead the wait grows quickly to a second.

#include <chrono>

namespace win::posix {

constexpr std::chrono::nanoseconds kLongestOutputCheck = std::chrono::seconds(1);

// `lineTime`: how long what the kernel holds takes to leave; `previous`: the wait before
// (zero at the start of a transfer); `progressed`: the kernel holds less than last time.
std::chrono::nanoseconds NextOutputCheck(std::chrono::nanoseconds lineTime,
                                         std::chrono::nanoseconds previous, bool progressed);

} // namespace win::posix
