// Where the running program lives: every file it reads by a bare name sits beside it.
#pragma once

#include <string>

namespace platform {

// Folder of the running executable (from /proc/self/exe), ending in '/'; empty if unknown.
std::string ProgramDir();

// Makes ProgramDir() the working directory. Returns false when it cannot.
bool EnterProgramDir();

}  // namespace platform
