#include "app/split_run.h"

#include <cstdint>
#include <memory>
#include <sstream>

#include "app/author_pass.h"
#include "app/cap_pass.h"
#include "app/check_run.h"
#include "app/run_report.h"
#include "app/split_pass.h"
#include "app/streamed_split.h"
#include "model/bfc_flattening.h"
#include "elements/polygons.h"
#include "geometry/number_text.h"
#include "geometry/precision.h"
#include "model/embedded_files.h"
#include "model/ldraw_reader.h"
#include "model/ldraw_writer.h"
#include "model/model.h"
#include "model/path_resolver.h"
#include "model/search_path.h"
#include "model/subfile_expander.h"
#include "model/texture_blocks.h"
#include "platform/environment.h"
#include "platform/file_system.h"

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

// Loads `fileName` into `model` and reports it; false when it is not found
// or cannot be read.
bool LoadAndReport(Model& model, const std::string& fileName, PathResolver& resolver,
                   std::ostream& out, std::ostream& err, EmbeddedFiles* embedded = nullptr) {
  ReportLoading(out, fileName);
  std::string reason;
  std::optional<LoadSummary> summary = Load(model, fileName, resolver, &reason, embedded);
  ReportLoad(out, err, fileName, summary, reason);
  return summary.has_value();
}

// Adds the input's folder and the libraries to `searchPath`: those of the
// command line, or else the one LDRAWDIR names, as LDraw tools find theirs.
// Warns of a library that cannot be one: a folder that does not exist, or
// one that holds neither parts nor p, such as the library's parts folder
// given instead of its root, or a device. False, with a message, for a
// library archive that cannot be read. `usable` tells whether some library
// holds parts or p.
bool AddLibraries(const CommandLine& command, SearchPath& searchPath, std::ostream& err,
                  bool* usable) {
  *usable = false;
  searchPath.AddInputFolder(command.inFile);
  std::vector<std::string> libraries = command.libraries;
  if (libraries.empty()) {
    if (std::optional<std::string> fromEnvironment = EnvironmentVariable("LDRAWDIR")) {
      libraries.push_back(*fromEnvironment);
    }
  }
  for (const std::string& library : libraries) {
    const std::string name = library.empty() ? "." : library;
    std::string error;
    switch (searchPath.AddLibrary(library, &error)) {
      case LibraryStatus::kLibrary:
        *usable = true;
        break;
      case LibraryStatus::kMissingFolder:
        err << "Library folder " << name << " does not exist" << std::endl;
        break;
      case LibraryStatus::kNeitherFolderNorFile:
        err << "Library " << name << " is neither a folder nor a zip archive" << std::endl;
        break;
      case LibraryStatus::kNoLibraryFolders:
        err << "Library folder " << name << " holds neither parts nor p" << std::endl;
        break;
      case LibraryStatus::kUnreadableArchive:
        err << "Library " << name << " cannot be read: " << error << std::endl;
        return false;
    }
  }
  return true;
}

// Inlines the subfiles of `input`, all of them or only those the split
// changes, and reports it; none when the expansion grows too large or a
// library archive cannot be read.
// With `outlines`, the outline of the cut of each primitive written as
// fractions goes to its boundary.
std::optional<ExpandSummary> ExpandAndReport(Model& input, const Model& splitter,
                                             SearchPath& searchPath, bool libraryUsable,
                                             const RunSettings& settings, CutLog* outlines,
                                             std::ostream& out, std::ostream& err) {
  ReportExpanding(out, searchPath);
  ExpandSummary summary;
  if (settings.expandWhereChanged) {
    auto judge = [&](std::span<const Point> points) {
      return JudgeExtent(points, splitter, settings);
    };
    // A cut circular primitive is written as fraction primitives where the
    // run's own split of its full expansion leaves exactly their geometry.
    FractionRules fractions;
    for (int s = 0; s < splitter.Size(); ++s) {
      const Element& polygon = splitter.ElementAt(s);
      if (!polygon.IsPolygon()) continue;
      if (std::optional<Plane> plane = polygon.SplitterPlane()) fractions.planes.push_back(*plane);
    }
    // The outline of the cut of the primitive last split, kept until its
    // fractions are written.
    std::unique_ptr<CutLog> lastOutline;
    fractions.split = [&](Model& model) {
      if (!outlines) {
        SplitModel(model, splitter, settings);
        return;
      }
      CutLog log;
      SplitModel(model, splitter, settings, {}, &log);
      lastOutline = std::make_unique<CutLog>();
      KeepOutline(model, log, *lastOutline);
    };
    if (outlines) {
      fractions.substituted = [&] {
        AppendCopies(outlines->boundary, lastOutline->boundary);
        AppendCopies(outlines->drawnByReferences, lastOutline->drawnByReferences);
        AppendCopies(outlines->removedEdges, lastOutline->removedEdges);
      };
    }
    summary = ExpandWhereChanged(input, searchPath, judge, kDefaultElementBudget, &fractions);
  } else {
    summary = ExpandSubfiles(input, searchPath);
  }
  if (!searchPath.Error().empty()) {
    err << searchPath.Error() << std::endl;
    return std::nullopt;
  }
  ReportExpansion(out, summary, settings.expandWhereChanged);
  ReportNotFound(err, summary.notFound);
  if (!summary.notFound.empty() && !libraryUsable) ReportNoLibrary(err);
  if (summary.result != ExpandResult::kExpanded) return std::nullopt;
  return summary;
}

// Writes the output file, reports it and answers the exit code.
int SaveAndReport(const Model& output, std::span<const InsertedLine> inserted,
                  std::string_view after, const std::string& fileName, PathResolver& resolver,
                  std::ostream& out, std::ostream& err) {
  SaveSummary summary = Save(output, fileName, resolver, inserted, after);
  ReportSave(out, err, fileName, summary);
  return summary.result == SaveResult::kSaved ? kExitSuccess : kExitFileError;
}

// Checks Infile alone; with -s or -e also its geometry as placed through
// its folder and the libraries.
int RunCheckOnly(const CommandLine& command, std::ostream& out, std::ostream& err) {
  PathResolver resolver;
  SearchPath searchPath(resolver);
  const bool placed = command.settings.expandSubfiles;
  bool libraryUsable;
  if (placed && !AddLibraries(command, searchPath, err, &libraryUsable)) return kExitFileError;
  CheckOutcome outcome =
      CheckAndReport(command.inFile, resolver, placed ? &searchPath : nullptr, out, err);
  if (!outcome.read) return kExitFileError;
  return outcome.errors > 0 ? kExitCheckErrors : kExitSuccess;
}

// With -e, works out the caps of every plane on a full expansion of the
// input, split as the run splits: -e keeps references whole and puts
// fraction primitives in place of cut circular ones, and the caps need
// every polygon at the cut. False when the input cannot be read again.
bool PrepareCapsExpanded(const CommandLine& command, const Model& splitter,
                         SearchPath& searchPath, PathResolver& resolver, CapPass& caps) {
  Model full;
  EmbeddedFiles sections;
  std::string reason;
  if (!Load(full, command.inFile, resolver, &reason, &sections)) return false;
  ReadTextures(full);
  ExpandSubfiles(full, searchPath);
  PlaneHooks hooks;
  hooks.before = [&](const Model& model, const Plane& plane) { caps.Prepare(model, plane); };
  hooks.after = [&](Model& model) { caps.Append(model); };
  SplitModel(full, splitter, command.settings, {}, nullptr, &hooks);
  return true;
}

// A file at least this large is split a part at a time, where the run
// allows it: the model of a smaller one takes little room.
constexpr std::uintmax_t kStreamedFrom = std::uintmax_t{4} << 20;

// The run of a large input a part at a time (see SplitStreamed), where it
// needs no whole model: no subfile is inlined, no cut outlined or closed.
// The reports are the whole-model run's, in its order. None, with nothing
// printed or written, when it cannot be done so.
std::optional<int> RunStreamed(const CommandLine& command, PathResolver& resolver,
                               std::ostream& out, std::ostream& err) {
  const RunSettings& settings = command.settings;
  if (settings.expandSubfiles || settings.authorReady || settings.closeCut) return std::nullopt;
  std::optional<std::string> inPath = resolver.FindFile(command.inFile);
  if (!inPath || KindOf(*inPath) != FileKind::kRegular) return std::nullopt;
  std::optional<std::uintmax_t> size = FileSize(*inPath);
  if (!size || *size < kStreamedFrom) return std::nullopt;
  // What is not replaced but written directly (a device, a pipe) could not
  // be taken back were the run to start again on the whole model.
  const std::string outPath = resolver.PathForWriting(command.outFile);
  if (FileKind kind = KindOf(outPath); kind != FileKind::kNone && kind != FileKind::kRegular) {
    return std::nullopt;
  }
  Model splitter;
  AddAxisPlanes(command, splitter);
  // The splitter file is reported after the input, as the whole-model run
  // reads it.
  std::ostringstream splitterOut;
  std::ostringstream splitterErr;
  if (command.splitterFile &&
      !LoadAndReport(splitter, *command.splitterFile, resolver, splitterOut, splitterErr)) {
    return std::nullopt;
  }
  StreamedSplit split =
      SplitStreamed(command.inFile, splitter, settings, command.outFile, resolver);
  if (!split.done) return std::nullopt;
  ReportLoading(out, command.inFile);
  ReportLoad(out, err, command.inFile, split.load, {});
  out << splitterOut.str() << std::flush;
  err << splitterErr.str() << std::flush;
  ReportSave(out, err, command.outFile, split.save);
  if (split.save.result != SaveResult::kSaved) return kExitFileError;
  if (settings.check) CheckWrittenFile(command.outFile, resolver, nullptr, out, err);
  return kExitSuccess;
}

}  // namespace

int Run(const CommandLine& command, std::ostream& out, std::ostream& err) {
  if (command.checkOnly) return RunCheckOnly(command, out, err);
  const RunSettings& settings = command.settings;
  PathResolver resolver;
  if (std::optional<int> code = RunStreamed(command, resolver, out, err)) return *code;
  Model splitter;
  AddAxisPlanes(command, splitter);

  SearchPath searchPath(resolver);

  // The input may be an MPD: the run works on its first section, and its
  // other files are found by name before the library's.
  Model input;
  EmbeddedFiles embedded;
  searchPath.SetEmbedded(&embedded);
  if (!LoadAndReport(input, command.inFile, resolver, out, err, &embedded)) return kExitFileError;
  if (std::optional<std::string> inPath = resolver.FindFile(command.inFile)) {
    searchPath.SetTopFile(*inPath);
  }
  if (command.splitterFile && !LoadAndReport(splitter, *command.splitterFile, resolver, out, err)) {
    return kExitFileError;
  }
  // Texture blocks are said again around what is left of them when the
  // model is written; hidden lines are split as any line.
  ReadTextures(input);
  const int topSize = input.Size();
  ExpandSummary expansion;
  // A run that only snaps opens nothing: no cut is outlined.
  const bool logCuts = settings.authorReady && !settings.snapOnly;
  CutLog fractionOutlines;
  if (settings.expandSubfiles) {
    bool libraryUsable;
    if (!AddLibraries(command, searchPath, err, &libraryUsable)) return kExitFileError;
    std::optional<ExpandSummary> expanded =
        ExpandAndReport(input, splitter, searchPath, libraryUsable, settings,
                        logCuts ? &fractionOutlines : nullptr, out, err);
    if (!expanded) return kExitFileError;
    expansion = std::move(*expanded);
  }
  std::vector<int> keptWhole;
  for (const KeptReference& ref : expansion.kept) keptWhole.push_back(ref.index);
  CutLog cutLog;
  // A run that only snaps opens nothing: no cut is closed either.
  std::optional<CapPass> caps;
  PlaneHooks capHooks;
  if (settings.closeCut && !settings.snapOnly) {
    caps.emplace(settings, input, topSize, settings.expandSubfiles, err);
    if (settings.expandWhereChanged) {
      if (!PrepareCapsExpanded(command, splitter, searchPath, resolver, *caps)) {
        return kExitFileError;
      }
      // The caps of each plane in turn, counted in the hook itself.
      capHooks.after = [&caps, next = std::size_t{0}](Model& model) mutable {
        caps->Replay(model, next++);
      };
    } else {
      capHooks.before = [&](const Model& model, const Plane& plane) {
        caps->Prepare(model, plane);
      };
      capHooks.after = [&](Model& model) { caps->Append(model); };
    }
  }
  SplitModel(input, splitter, settings, keptWhole, logCuts ? &cutLog : nullptr,
             caps ? &capHooks : nullptr);
  AppendCopies(cutLog.boundary, fractionOutlines.boundary);
  AppendCopies(cutLog.drawnByReferences, fractionOutlines.drawnByReferences);
  AppendCopies(cutLog.removedEdges, fractionOutlines.removedEdges);
  AuthorReport authorReport;
  if (settings.authorReady) MakeGeometryAuthorReady(input, cutLog, splitter, authorReport);
  std::vector<InsertedLine> statements;
  if (settings.expandSubfiles) statements = FlattenBfc(input, topSize, expansion);
  statements = MergeInserted(FlattenTextures(input), statements);
  // After a split alone every embedded file is written again; after an
  // expansion, those the output still needs.
  std::string after = embedded.TextAfter(input, !settings.expandSubfiles);
  if (settings.authorReady) {
    MakeTextAuthorReady(input, topSize, command.outFile, authorReport);
    ReportAuthorPass(out, err, authorReport);
  }
  int code = SaveAndReport(input, statements, after, command.outFile, resolver, out, err);
  // The check's findings follow the save report; the split's exit code stands.
  if (code == kExitSuccess && settings.check) {
    CheckWrittenFile(command.outFile, resolver, settings.expandSubfiles ? &searchPath : nullptr,
                     out, err);
  }
  if (settings.closeCut) ReportCaps(out, caps ? caps->Report() : CapReport{});
  return code;
}

std::optional<int> RunInfoRequest(const std::vector<std::string>& args, std::ostream& out) {
  if (args.empty()) return std::nullopt;
  if (args[0] == "--help" || args[0] == "-h") {
    ShowUsage(out);
    out << "A library (-l) is a folder holding parts and p, or a zip archive of one" << std::endl;
    out << "Without -l, the library that the environment variable LDRAWDIR names" << std::endl;
    out << "A splitter file's polygon keeps the side from which its corners run clockwise"
        << std::endl;
    out << "-k with -s or -e also checks the geometry as placed, naming the subfile" << std::endl;
    out << "-f and -ff close the cut with faces facing the removed side, appended to the top file;"
        << std::endl;
    out << "  a region whose inside cannot be found is left open and named on standard error"
        << std::endl;
    out << "-h or --help: this help; --version: the version" << std::endl;
    return kExitSuccess;
  }
  if (args[0] == "--version") {
    out << kBanner << std::endl;
    return kExitSuccess;
  }
  return std::nullopt;
}

int RunProgram(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  out << kBanner << std::endl;
  ParsedCommandLine parsed = ParseCommandLine(args);
  ReportCommandLine(parsed, out, err);
  if (!parsed.command) return kExitUsage;
  if (parsed.command->checkOnly) return Run(*parsed.command, out, err);
  precision = parsed.command->precision;
  out << "Precision " << FormatNumber(precision) << "\n" << std::endl;
  return Run(*parsed.command, out, err);
}

}  // namespace halvex
