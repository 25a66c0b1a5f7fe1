// The command line: options, usage, argument errors, and what a valid
// command line asks for.
#pragma once

#include <array>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/run_settings.h"
#include "geometry/point.h"

namespace halvex {

// The three corners of the triangle that stands for an axis plane; their
// order gives the side the split removes.
using AxisPlane = std::array<Point, 3>;

struct CommandLine {
  RunSettings settings;
  double precision = 0.001;
  std::vector<AxisPlane> axisPlanes;
  // Folder prefixes, each ending in a separator: the input file's folder, its
  // p\ and s\ subfolders, then six entries per -l.
  std::vector<std::string> searchLocations;
  std::string inFile;
  std::optional<std::string> splitterFile;
  std::string outFile;
};

// Parses the arguments after the program name. Prints the option messages
// as it meets them; on an error prints the error and the usage and answers
// none (exit code 1).
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            std::ostream& out);

void ShowUsage(std::ostream& out);

}  // namespace halvex
