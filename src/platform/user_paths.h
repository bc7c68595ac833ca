// Per-user folders of the program.
#pragma once

#include <string>

namespace platform {

// $XDG_CONFIG_HOME/Tarvolin/ZEL, or ~/.config/Tarvolin/ZEL when XDG_CONFIG_HOME is unset or
// relative. Not created here.
std::string UserConfigDir();

}  // namespace platform
