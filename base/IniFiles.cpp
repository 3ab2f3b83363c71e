#include "base/IniFiles.h"

#include "platform/winapi/ProfileFiles.h"

namespace tavrin {

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& defaultValue) const {
    char buffer[2048];
    const win::DWORD length =
        win::GetPrivateProfileStringA(section.c_str(), ident.c_str(), defaultValue.c_str(), buffer,
                                      sizeof buffer, fileName_.c_str());
    return std::string(buffer, length);
}

void TIniFile::WriteString(const std::string& section, const std::string& ident,
                           const std::string& value) {
    if (!win::WritePrivateProfileStringA(section.c_str(), ident.c_str(), value.c_str(),
                                         fileName_.c_str()))
        throw EIniFileException(Format("Unable to write to %s", fileName_));
}

void TIniFile::WriteInteger(const std::string& section, const std::string& ident,
                            std::int32_t value) {
    WriteString(section, ident, std::to_string(value));
}

} // namespace tavrin
