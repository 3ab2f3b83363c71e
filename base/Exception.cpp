#include "base/Exception.h"

namespace tavrin {

namespace {
std::string Substitute(const std::string& pattern, const char* placeholder,
                       const std::string& value) {
    std::string result = pattern;
    auto at = result.find(placeholder);
    if (at != std::string::npos)
        result.replace(at, 2, value);
    return result;
}
} // namespace

void RaiseAssignError(const char* sourceClass, const char* destClass) {
    std::string text = "Cannot assign a %s to a %s";
    text = Substitute(text, "%s", sourceClass ? sourceClass : "nil");
    text = Substitute(text, "%s", destClass);
    throw EConvertError(text);
}

std::string Format(const std::string& pattern, const std::string& arg) {
    return Substitute(pattern, "%s", arg);
}

std::string Format(const std::string& pattern, long long arg) {
    return Substitute(pattern, "%d", std::to_string(arg));
}

} // namespace tavrin
