#pragma once

// Where the program keeps its files: $XDG_CONFIG_HOME/tavrin, or ~/.config/tavrin when
// XDG_CONFIG_HOME is unset or not an absolute path (as the XDG convention says).

#include <string>

namespace win {

std::string ConfigDirectory();

} // namespace win
