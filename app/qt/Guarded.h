#pragma once

// Qt calls into our handlers from its own frames (slots, event handlers, timers), and an
// exception unwinding through a Qt frame is undefined behaviour. Every such entry runs
// through RunGuarded: an error ends the handler where it was raised, the default error
// handling shows it, and the event loop goes on as if the handler had returned.

#include <functional>
#include <utility>

namespace tavrin {

// Hands the exception being handled to the application's default error handling. Call
// only from a catch block. Never throws: an error while reporting is dropped, since there
// is nobody left to tell.
void ReportCurrentError() noexcept;

template <class F, class... Args> void RunGuarded(F&& fn, Args&&... args) noexcept {
    try {
        std::invoke(std::forward<F>(fn), std::forward<Args>(args)...);
    } catch (...) {
        ReportCurrentError();
    }
}

// Wraps a callable without arguments for QObject::connect; Qt drops the signal's
// arguments the slot does not take.
template <class F> auto Guarded(F fn) {
    return [fn = std::move(fn)]() mutable noexcept { RunGuarded(fn); };
}

} // namespace tavrin
