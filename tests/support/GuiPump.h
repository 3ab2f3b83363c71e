#pragma once

// Tests play the GUI thread themselves: they serve its work queue while they wait.

#include <chrono>
#include <functional>

namespace tavrin::testing {

// Serves the GUI thread's queue until `done` holds or `limit` has passed; it sleeps only
// on the queue's wake descriptor, so it never spins. Returns whether `done` came to hold.
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(20));

} // namespace tavrin::testing
