#include "app/qt/Guarded.h"

#include "base/Application.h"

namespace tavrin {

void ReportCurrentError() noexcept {
    try {
        Application::Instance().HandleCurrentException();
    } catch (...) {
    }
}

} // namespace tavrin
