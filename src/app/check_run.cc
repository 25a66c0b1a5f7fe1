#include "app/check_run.h"

#include <cstdint>
#include <limits>
#include <optional>

#include "app/run_report.h"
#include "checking/file_check.h"
#include "checking/placed_check.h"
#include "checking/source_file.h"
#include "elements/meta_line.h"
#include "model/embedded_files.h"
#include "model/ldraw_reader.h"
#include "model/model.h"
#include "model/subfile_expander.h"

namespace halvex {
namespace {

// The file's own name: what follows its last "/" or "\".
std::string OwnName(const std::string& fileName) {
  std::size_t slash = fileName.find_last_of("/\\");
  return slash == std::string::npos ? fileName : fileName.substr(slash + 1);
}

// The text of an MPD's first file, the model the run works on: up to the
// line that starts the next file (its "0 NOFILE", a "0 FILE" or "0 !DATA").
std::string_view ModelSection(const SourceFile& source, std::string_view text) {
  bool inFile = false;
  for (const SourceLine& line : source.Lines()) {
    if (!line.element || line.element->LineType() != kMetaType) continue;
    std::string_view name;
    SectionMark mark = SectionMarkOf(static_cast<const MetaLine&>(*line.element).Text(), &name);
    if (mark == SectionMark::kNone) continue;
    if (inFile) return text.substr(0, static_cast<std::size_t>(line.text.data() - text.data()));
    inFile = mark == SectionMark::kFile;
  }
  return text;
}

// The geometry of `source` as placed through `searchPath`, the file at
// `path` being the top file and its embedded files found first: of an MPD,
// the geometry its first file places.
PlacedCheck CheckAsPlaced(const SourceFile& source, const HeaderFacts& header,
                          std::string_view text, const std::string& path, SearchPath& searchPath) {
  Model sections;
  EmbeddedFiles embedded;
  LoadText(sections, text, &embedded);
  searchPath.SetEmbedded(&embedded);
  searchPath.SetTopFile(path);
  std::optional<SourceFile> model;
  if (embedded.IsMpd()) model.emplace(ModelSection(source, text));
  const SourceFile& top = model ? *model : source;
  // A shortcut places whole parts, each checked on its own, which meet
  // where they touch: their lines are not compared with each other's.
  PlacedCheck placed =
      CheckPlaced(top, searchPath, kDefaultElementBudget, header.type != "Shortcut");
  searchPath.SetEmbedded(nullptr);
  return placed;
}

void PrintCounts(const std::string& fileName, const std::vector<Finding>& findings,
                 CheckOutcome& outcome, std::ostream& out) {
  std::vector<RuleCount> counts = CountByRule(findings);
  for (const RuleCount& count : counts) {
    outcome.errors += count.errors;
    outcome.warnings += count.warnings;
  }
  out << "Checked " << fileName << ": " << CountText(outcome.errors, "error") << ", "
      << CountText(outcome.warnings, "warning") << std::endl;
  for (const RuleCount& count : counts) {
    out << "  " << count.rule << ": ";
    if (count.errors > 0) out << CountText(count.errors, "error");
    if (count.errors > 0 && count.warnings > 0) out << ", ";
    if (count.warnings > 0) out << CountText(count.warnings, "warning");
    out << std::endl;
  }
}

}  // namespace

CheckOutcome CheckAndReport(const std::string& fileName, PathResolver& resolver,
                            SearchPath* searchPath, std::ostream& out, std::ostream& err) {
  CheckOutcome outcome;
  std::optional<std::string> path = resolver.FindFile(fileName);
  ReadFailure failure;
  std::optional<std::string> text;
  if (path) {
    text = ReadFileText(*path, std::numeric_limits<std::uint64_t>::max(), &failure);
  } else {
    failure.reason = WhyNoFile(fileName, resolver);
  }
  if (!text) {
    if (!failure.opened) {
      ReportLoad(out, err, fileName, std::nullopt, failure.reason);
    } else {
      err << fileName << " cannot be read: " << failure.reason << std::endl;
    }
    return outcome;
  }
  outcome.read = true;
  SourceFile source(*text);
  FileCheck check = CheckFile(source, OwnName(fileName));
  std::vector<Finding> findings = std::move(check.findings);
  if (searchPath) {
    PlacedCheck placed = CheckAsPlaced(source, check.header, *text, *path, *searchPath);
    findings.insert(findings.end(), placed.findings.begin(), placed.findings.end());
    SortByLine(findings);
    ReportNotFound(err, placed.notFound);
    if (placed.stopped) {
      err << "The check of the placed geometry stopped after " << kDefaultElementBudget << " lines"
          << std::endl;
    }
    if (!searchPath->Error().empty()) {
      err << searchPath->Error() << std::endl;
      outcome.read = false;
    }
  }
  // Each line is written whole, so that checks run side by side into one
  // pipe (a job list) never mix their lines.
  for (const Finding& finding : findings) out << FormatFinding(fileName, finding) << std::endl;
  PrintCounts(fileName, findings, outcome, out);
  return outcome;
}

void CheckWrittenFile(const std::string& fileName, PathResolver& resolver, SearchPath* searchPath,
                      std::ostream& out, std::ostream& err) {
  if (!resolver.FindFile(fileName)) {
    err << "The check cannot read " << fileName << " back: it is no regular file" << std::endl;
    return;
  }
  CheckAndReport(fileName, resolver, searchPath, out, err);
}

}  // namespace halvex
