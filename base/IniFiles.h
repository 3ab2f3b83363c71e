#pragma once

// The class library's ini file object: named values in sections of a text file, read and
// written through the platform's profile calls, so every write reaches the file at once
// and releasing the object has nothing left to flush.

#include "base/Exception.h"

#include <cstdint>
#include <string>

namespace tavrin {

// "Unable to write to <file name>"
class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

class TIniFile {
public:
    // `fileName` as the profile calls take it: without a folder, a file of the
    // configuration folder.
    explicit TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}
    const std::string& FileName() const { return fileName_; }

    // At most 2047 characters of the value, or `defaultValue` when the key is missing.
    std::string ReadString(const std::string& section, const std::string& ident,
                           const std::string& defaultValue) const;
    void WriteString(const std::string& section, const std::string& ident,
                     const std::string& value);
    // As decimal text.
    void WriteInteger(const std::string& section, const std::string& ident, std::int32_t value);

private:
    std::string fileName_;
};

} // namespace tavrin
