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
#include "model/winding_normaliser.h"

namespace halvex {
namespace {

// Appends a triangle of colour 16 for each axis plane of the command line,
// turned over when the split is inverted. Only these triangles are turned
// over: the splitter file is read later.
void AddAxisPlanes(const CommandLine& command, Model& splitter) {
  for (const AxisPlane& corners : command.axisPlanes) {
    splitter.Append(splitter.Arena().Make<Triangle>(corners, Colour(kMainColour)));
  }
  if (command.settings.invertSplit) splitter.ReverseWinding();
}

// Loads `fileName` into `model`; false, after saying so, when it is not found.
bool LoadFileOrSay(Model& model, const std::string& fileName, PathResolver& resolver,
                   std::ostream& out) {
  if (Load(model, fileName, resolver, out)) return true;
  out << fileName << " not found" << std::endl;
  return false;
}

// Inlines the subfiles of `input`, with the search locations and the report
// around it; false, after saying so, when the expansion grows too large.
bool ExpandAndReport(Model& input, SearchPath& searchPath, std::ostream& out) {
  out << "\nExpanding subfiles" << std::endl;
  out << "LDraw subfiles search locations:" << std::endl;
  out << searchPath.ToText() << std::endl;
  if (ExpandSubfiles(input, searchPath, out) == ExpandResult::kTooManyElements) {
    out << "Expansion stopped: more than " << kDefaultElementBudget << " elements" << std::endl;
    return false;
  }
  out << std::endl;
  return true;
}

// Writes the output file and answers the exit code, saying why on failure.
int SaveAndReport(const Model& output, const std::string& fileName, PathResolver& resolver,
                  std::ostream& out) {
  switch (Save(output, fileName, resolver, out)) {
    case SaveResult::kSaved:
      return kExitSuccess;
    case SaveResult::kCantCreate:
      out << fileName << " Can't create" << std::endl;
      return kExitFileError;
    case SaveResult::kCantWrite:
      out << fileName << " Can't write" << std::endl;
      return kExitFileError;
  }
  return kExitFileError;
}

}  // namespace

int Run(const CommandLine& command, std::ostream& out) {
  const RunSettings& settings = command.settings;
  Model splitter;
  AddAxisPlanes(command, splitter);

  PathResolver resolver;
  SearchPath searchPath(resolver);
  for (const std::string& location : command.searchLocations) searchPath.Add(location);

  Model input;
  if (!LoadFileOrSay(input, command.inFile, resolver, out)) return kExitFileError;
  if (command.splitterFile && !LoadFileOrSay(splitter, *command.splitterFile, resolver, out)) {
    return kExitFileError;
  }
  if (settings.expandSubfiles && !ExpandAndReport(input, searchPath, out)) return kExitFileError;
  SplitModel(input, splitter, settings);
  if (settings.expandSubfiles) NormaliseWinding(input);
  return SaveAndReport(input, command.outFile, resolver, out);
}

int RunProgram(const std::vector<std::string>& args, std::ostream& out) {
  out << "Halvex 1.0 - split LDraw files by a plane" << std::endl;
  std::optional<CommandLine> command = ParseCommandLine(args, out);
  if (!command) return kExitUsage;
  precision = command->precision;
  out << "Precision " << FormatNumber(precision) << "\n" << std::endl;
  return Run(*command, out);
}

}  // namespace halvex
