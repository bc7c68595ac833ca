// zelctl config: show and edit the settings file from a shell.
#pragma once

#include <string>
#include <vector>

// Runs `zelctl config show | get NAME | set NAME VALUE [--dir DIR]`; `args` are the words
// after "config", `defaultDir` the folder used without --dir (the program's own). Works on
// DIR/default.xcfg through the settings document alone: `set` loads, sets that child of the
// root and saves, adding nothing else. Output goes to stdout, errors to stderr.
// Returns 0 on success, 1 when the file does not load (or get finds no such element, or the
// save fails), 64 on a usage error with a one-line message on stderr.
int RunConfigCommand(const std::vector<std::string>& args, const std::string& defaultDir);
