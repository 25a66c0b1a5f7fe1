// The command line: options, usage, argument errors, and what a valid
// command line asks for.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/run_settings.h"

namespace halvex {

enum class Axis { kX, kY, kZ };

// One axis option: the plane where the `axis` coordinate equals `value`, and
// the side the split keeps (above: coordinates greater than `value`).
struct AxisPlane {
  Axis axis;
  bool keepAbove;
  double value;
};

struct CommandLine {
  RunSettings settings;
  std::vector<AxisPlane> axisPlanes;  // in command-line order
  // Folder prefixes, each ending in a separator: the input file's folder, its
  // p\ and s\ subfolders, then six entries per -l.
  std::vector<std::string> searchLocations;
  std::string inFile;
  std::optional<std::string> splitterFile;
  std::string outFile;
};

// Parses the arguments after the program name and sets the run's `precision`
// (geometry/precision.h). Prints the option messages as it meets them; on an
// error prints the error and the usage and answers none (exit code 1).
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            std::ostream& out);

void ShowUsage(std::ostream& out);

}  // namespace halvex
