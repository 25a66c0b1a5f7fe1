#include "app/split_run.h"

#include "app/split_pass.h"
#include "elements/polygons.h"
#include "geometry/number_text.h"
#include "geometry/precision.h"
#include "model/ldraw_reader.h"
#include "model/ldraw_writer.h"
#include "model/model.h"
#include "model/path_resolver.h"
#include "model/search_path.h"
#include "model/subfile_expander.h"

namespace halvex {
namespace {

constexpr const char* kBanner = "Halvex 1.0 - split LDraw files by a plane";

}  // namespace

int Run(const CommandLine& command, std::ostream& out) {
  const RunSettings& settings = command.settings;
  Model splitter;
  for (const AxisPlane& corners : command.axisPlanes) {
    splitter.Append(splitter.Arena().Make<Triangle>(corners, Colour(kMainColour)));
  }
  // Only the axis triangles are turned over: the splitter file is not read yet.
  if (settings.invertSplit) splitter.ReverseWinding();

  PathResolver resolver;
  SearchPath searchPath(resolver);
  for (const std::string& location : command.searchLocations) searchPath.Add(location);

  Model input;
  if (!Load(input, command.inFile, resolver, out)) {
    out << command.inFile << " not found" << std::endl;
    return kExitFileError;
  }
  if (command.splitterFile && !Load(splitter, *command.splitterFile, resolver, out)) {
    out << *command.splitterFile << " not found" << std::endl;
    return kExitFileError;
  }

  if (settings.expandSubfiles) {
    out << "\nExpanding subfiles" << std::endl;
    out << "LDraw subfiles search locations:" << std::endl;
    out << searchPath.ToText() << std::endl;
    if (ExpandSubfiles(input, searchPath, out) == ExpandResult::kTooManyElements) {
      out << "Expansion stopped: more than " << kDefaultElementBudget << " elements"
          << std::endl;
      return kExitFileError;
    }
    out << std::endl;
  }

  SplitModel(input, splitter, settings);

  switch (Save(input, command.outFile, settings.expandSubfiles, resolver, out)) {
    case SaveResult::kSaved:
      return kExitSuccess;
    case SaveResult::kCantCreate:
      out << command.outFile << " Can't create" << std::endl;
      return kExitFileError;
    case SaveResult::kCantWrite:
      out << command.outFile << " Can't write" << std::endl;
      return kExitFileError;
  }
  return kExitFileError;
}

std::optional<int> RunInfoRequest(const std::vector<std::string>& args, std::ostream& out) {
  if (args.empty()) return std::nullopt;
  if (args[0] == "--help") {
    ShowUsage(out);
    return kExitSuccess;
  }
  if (args[0] == "--version") {
    out << kBanner << std::endl;
    return kExitSuccess;
  }
  return std::nullopt;
}

int RunProgram(const std::vector<std::string>& args, std::ostream& out) {
  out << kBanner << std::endl;
  std::optional<CommandLine> command = ParseCommandLine(args, out);
  if (!command) return kExitUsage;
  precision = command->precision;
  out << "Precision " << FormatNumber(precision) << "\n" << std::endl;
  return Run(*command, out);
}

}  // namespace halvex
