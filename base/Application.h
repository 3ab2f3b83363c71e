#pragma once

#include <exception>
#include <functional>
#include <string>

namespace tavrin {

// The application object's toolkit-neutral face. The GUI binding installs the hooks; the
// engine only ever asks for the default error handling and for waiting messages to be
// processed.
class Application {
public:
    using ErrorHandler = std::function<void(const std::string& title, const std::string& message)>;
    using MessagePump = std::function<void()>;

    static Application& Instance();

    const std::string& Title() const { return title_; }
    void SetTitle(std::string title) { title_ = std::move(title); }

    // The default error handling: shows the error's message captioned with the title.
    // Without a binding the message goes to standard error.
    void HandleException(const std::exception& error);
    // Hands the exception currently being handled to HandleException; call from a catch.
    void HandleCurrentException();
    void SetErrorHandler(ErrorHandler handler) { errorHandler_ = std::move(handler); }

    // Processes the window messages that are waiting, without blocking.
    void ProcessMessages();
    void SetMessagePump(MessagePump pump) { pump_ = std::move(pump); }

private:
    std::string title_;
    ErrorHandler errorHandler_;
    MessagePump pump_;
};

} // namespace tavrin
