#include "base/Application.h"

#include <cstdio>
#include <stdexcept>

namespace tavrin {

Application& Application::Instance() {
    static Application instance;
    return instance;
}

void Application::HandleException(const std::exception& error) {
    if (errorHandler_)
        errorHandler_(title_, error.what());
    else
        std::fprintf(stderr, "%s: %s\n", title_.c_str(), error.what());
}

void Application::HandleCurrentException() {
    try {
        throw;
    } catch (const std::exception& error) {
        HandleException(error);
    } catch (...) {
        HandleException(std::runtime_error("Unknown error"));
    }
}

void Application::ProcessMessages() {
    if (pump_)
        pump_();
}

} // namespace tavrin
