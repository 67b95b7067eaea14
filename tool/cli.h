// The `lexameter` command-line tool's entry: RunLexameter (tool/commands.h) reads the arguments
// and runs one command of the registry; the plug-in's commands run in the headless host with
// the plug-in loaded (tool/cli.cpp).
#pragma once

#include "tool/commands.h"

#include <string>

namespace lxtool {

// The folder of the running executable, or "" when it cannot be found.
std::string ExecutableDirectory();

} // namespace lxtool
