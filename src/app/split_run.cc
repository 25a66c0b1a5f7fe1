#include "app/split_run.h"

#include "app/run_report.h"
#include "app/split_pass.h"
#include "model/bfc_flattening.h"
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

// The corners of the triangle that stands for `plane`. Seen from the removed
// side they run counter-clockwise, so the normal points to the removed side.
std::array<Point, 3> AxisCorners(const AxisPlane& plane) {
  using Corners = std::array<Point, 3>;
  const double v = plane.value;
  const bool above = plane.keepAbove;
  switch (plane.axis) {
    case Axis::kX:
      return above ? Corners{{{v, 0, 0}, {v, 0, 10}, {v, 10, 0}}}
                   : Corners{{{v, 0, 0}, {v, 10, 0}, {v, 0, 10}}};
    case Axis::kY:
      return above ? Corners{{{10, v, 0}, {0, v, 10}, {0, v, 0}}}
                   : Corners{{{10, v, 0}, {0, v, 0}, {0, v, 10}}};
    case Axis::kZ:
      break;
  }
  return above ? Corners{{{0, 10, v}, {10, 0, v}, {0, 0, v}}}
               : Corners{{{0, 10, v}, {0, 0, v}, {10, 0, v}}};
}

// Appends a triangle of colour 16 for each axis plane of the command line,
// turned over when the split is inverted. Only these triangles are turned
// over: the splitter file is read later.
void AddAxisPlanes(const CommandLine& command, Model& splitter) {
  for (const AxisPlane& plane : command.axisPlanes) {
    splitter.Append(splitter.Arena().Make<Triangle>(AxisCorners(plane), Colour(kMainColour)));
  }
  if (command.settings.invertSplit) splitter.ReverseWinding();
}

// Loads `fileName` into `model` and reports it; false when it is not found.
bool LoadAndReport(Model& model, const std::string& fileName, PathResolver& resolver,
                   std::ostream& out) {
  ReportLoading(out, fileName);
  std::optional<LoadSummary> summary = Load(model, fileName, resolver);
  ReportLoad(out, fileName, summary);
  return summary.has_value();
}

// Inlines the subfiles of `input`, all of them or only those the split
// changes, and reports it; none when the expansion grows too large.
std::optional<ExpandSummary> ExpandAndReport(Model& input, const Model& splitter,
                                             SearchPath& searchPath, const RunSettings& settings,
                                             std::ostream& out) {
  ReportExpanding(out, searchPath);
  ExpandSummary summary;
  if (settings.expandWhereChanged) {
    auto judge = [&](std::span<const Point> points) {
      return JudgeExtent(points, splitter, settings);
    };
    summary = ExpandWhereChanged(input, searchPath, judge);
    ReportExpansion(out, summary, true);
  } else {
    summary = ExpandSubfiles(input, searchPath);
    ReportExpansion(out, summary);
  }
  if (summary.result != ExpandResult::kExpanded) return std::nullopt;
  return summary;
}

// Writes the output file, reports it and answers the exit code.
int SaveAndReport(const Model& output, std::span<const InsertedLine> inserted,
                  const std::string& fileName, PathResolver& resolver, std::ostream& out) {
  SaveSummary summary = Save(output, fileName, resolver, inserted);
  ReportSave(out, fileName, summary);
  return summary.result == SaveResult::kSaved ? kExitSuccess : kExitFileError;
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
  if (!LoadAndReport(input, command.inFile, resolver, out)) return kExitFileError;
  if (command.splitterFile && !LoadAndReport(splitter, *command.splitterFile, resolver, out)) {
    return kExitFileError;
  }
  const int topSize = input.Size();
  ExpandSummary expansion;
  if (settings.expandSubfiles) {
    std::optional<ExpandSummary> expanded =
        ExpandAndReport(input, splitter, searchPath, settings, out);
    if (!expanded) return kExitFileError;
    expansion = std::move(*expanded);
  }
  std::vector<int> untouched;
  for (const KeptReference& ref : expansion.kept) untouched.push_back(ref.index);
  SplitModel(input, splitter, settings, untouched);
  std::vector<InsertedLine> statements;
  if (settings.expandSubfiles) statements = FlattenBfc(input, topSize, expansion.kept);
  return SaveAndReport(input, statements, command.outFile, resolver, out);
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
  out << "Precision " << FormatNumber(precision) << "\n" << std::endl;
  return Run(*command, out);
}

}  // namespace halvex
