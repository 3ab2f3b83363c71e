#pragma once

#include <exception>
#include <string>

namespace tavrin {

// The root of every error the class library and the engine raise: a message, nothing else.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// Raised when an object is filled from one of another class (or from none).
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// "Cannot assign a <source class> to a <destination class>"; a missing source is "nil".
[[noreturn]] void RaiseAssignError(const char* sourceClass, const char* destClass);

// Formats a message the way the library's format routine does for %s and %d only.
std::string Format(const std::string& pattern, const std::string& arg);
std::string Format(const std::string& pattern, long long arg);

} // namespace tavrin
