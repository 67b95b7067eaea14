// The tool's insight commands: `check` (a readability gate), `hotspots` (where the difficulty
// is) and `html` (a report page). They measure through the analysis library as a client of the
// tool's own host, without the plug-in's alerts or output documents.
#pragma once

#include <iosfwd>
#include <string>

namespace lxinsight {

// Exit statuses beyond the tool's own (0 success, 1 usage, 2 file): a threshold was missed.
constexpr int kExitThresholdMissed = 4;

// The insight commands with a line of description each, for the tool's help.
std::string InsightCommandHelp(std::size_t nameWidth);

// When the command of the arguments (argv[0] is the program) is one of the insight commands,
// runs it, stores its exit status and returns true; otherwise returns false and does nothing.
bool RunInsightCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                       int* status);

} // namespace lxinsight
