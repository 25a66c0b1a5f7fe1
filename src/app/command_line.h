// The command line: options, usage, argument errors, and what a valid
// command line asks for. Parsing only looks at the arguments; printing what
// the parse found is a separate step.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/run_settings.h"
#include "geometry/precision.h"

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
  double precision = kDefaultPrecision;  // -p; the run sets geometry's precision from it
  std::vector<AxisPlane> axisPlanes;     // in command-line order
  // The -l folders as given, in command-line order.
  std::vector<std::string> libraries;
  std::string inFile;
  std::optional<std::string> splitterFile;
  std::string outFile;
  // -k with Infile alone, no plane and no Outfile: the run only checks.
  bool checkOnly = false;
};

// Why a command line is refused. `message` is the line that standard output
// shows before the usage ("Wrong number of arguments"), empty when the usage
// stands alone; `reason` is the line for standard error that names the
// problem ("unknown option --bogus", "missing Outfile"), empty when `message`
// already does.
struct CommandLineError {
  std::string message;
  std::string reason;
};

// What the parse found: the messages of the options it met, in order (those
// before the problem, when there is one), and the command line or the error.
struct ParsedCommandLine {
  std::vector<std::string> optionMessages;
  std::optional<CommandLine> command;
  CommandLineError error;  // Meaningful when there is no command.
};

// Parses the arguments after the program name. Reads no file and prints
// nothing.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// Prints what the parse found: the option messages on `out`, then for a
// refused command line its message, its reason on `err` and the usage.
void ReportCommandLine(const ParsedCommandLine& parsed, std::ostream& out, std::ostream& err);

void ShowUsage(std::ostream& out);

}  // namespace halvex
