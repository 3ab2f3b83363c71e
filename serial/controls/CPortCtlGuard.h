#pragma once

// Qt calls the controls from its own frames (events, timers), and no exception may unwind
// through one. An error raised there ends the handler and goes to the application's
// default error handling; the controls cannot use the app's helper, which sits above them.

#include "base/Application.h"

#include <exception>
#include <utility>

namespace tavrin::ctl {

// Hands the exception being handled to the default error handling; call from a catch.
inline void ReportCurrentError() noexcept {
    try {
        Application::Instance().HandleCurrentException();
    } catch (...) {
        // Failing to report leaves nobody to tell.
    }
}

template <class F> void RunReported(F&& fn) noexcept {
    try {
        std::forward<F>(fn)();
    } catch (...) {
        ReportCurrentError();
    }
}

} // namespace tavrin::ctl
