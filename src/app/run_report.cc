#include "app/run_report.h"

namespace halvex {
namespace {

// The four count lines shared by loading, expanding and saving.
void ReportTypeCounts(std::ostream& out, const ElementCounts& counts) {
  out << counts.edgeLines << " Edge lines" << std::endl;
  out << counts.condLines << " Conditional lines" << std::endl;
  out << counts.triangles << " Triangles" << std::endl;
  out << counts.quads << " Quads" << std::endl;
}

}  // namespace

void ReportLoading(std::ostream& out, const std::string& fileName) {
  out << "\nLoading " << fileName << std::endl;
}

void ReportLoad(std::ostream& out, std::ostream& err, const std::string& fileName,
                const std::optional<LoadSummary>& summary, const std::string& reason) {
  if (!summary) {
    out << fileName << " not found" << std::endl;
    if (!reason.empty()) err << fileName << ": " << reason << std::endl;
    return;
  }
  out << summary->modelSize << " lines in file" << std::endl;
  ReportTypeCounts(out, summary->counts);
  out << summary->counts.subfiles << " Subfiles" << std::endl;
}

void ReportExpanding(std::ostream& out, const SearchPath& searchPath) {
  out << "\nExpanding subfiles" << std::endl;
  out << "LDraw subfiles search locations:" << std::endl;
  out << searchPath.ToText() << std::endl;
}

void ReportExpansion(std::ostream& out, const ExpandSummary& summary, bool withFates) {
  for (const std::string& note : summary.notes) out << note << std::endl;
  if (summary.result == ExpandResult::kTooManyElements) {
    out << "Expansion stopped: more than " << kDefaultElementBudget << " elements" << std::endl;
    return;
  }
  out << "\nInlined from subfiles:" << std::endl;
  ReportTypeCounts(out, summary.placed);
  if (withFates) {
    out << summary.fates.keptWhole << " Subfiles kept whole" << std::endl;
    out << summary.fates.removedWhole << " Subfiles removed whole" << std::endl;
    out << summary.fates.inlined << " Subfiles inlined" << std::endl;
    out << summary.fates.notFound << " Subfiles not found" << std::endl;
    out << summary.fates.cutPrimitives << " Circular primitives cut" << std::endl;
    out << summary.fates.substituted << " Circular primitives written as fractions" << std::endl;
  }
  out << std::endl;
}

void ReportNotFound(std::ostream& err, const std::vector<std::string>& names) {
  // Enough names to recognise the pattern (a whole library missing, one
  // misspelt part) without filling the screen; a name from a damaged file
  // can be megabytes long, and is cut.
  constexpr std::size_t kNamesShown = 5;
  constexpr std::size_t kNameLength = 60;
  if (names.empty()) return;
  err << names.size() << (names.size() == 1 ? " subfile" : " subfiles")
      << " not found in the search locations:";
  for (std::size_t k = 0; k < names.size() && k < kNamesShown; ++k) {
    err << (k == 0 ? " " : ", ");
    if (names[k].size() <= kNameLength) {
      err << names[k];
    } else {
      err << names[k].substr(0, kNameLength - 3) << "...";
    }
  }
  if (names.size() > kNamesShown) err << ", ...";
  err << std::endl;
}

void ReportNoLibrary(std::ostream& err) {
  err << "No LDraw library was found: give -l the folder that holds parts and p (or a zip "
         "archive of it), or set LDRAWDIR to it"
      << std::endl;
}

void ReportSave(std::ostream& out, std::ostream& err, const std::string& fileName,
                const SaveSummary& summary) {
  switch (summary.result) {
    case SaveResult::kSaved:
      out << "\nSaving " << fileName << std::endl;
      out << summary.linesWritten << " lines in file" << std::endl;
      ReportTypeCounts(out, summary.counts);
      return;
    case SaveResult::kCantCreate:
      out << fileName << " Can't create" << std::endl;
      break;
    case SaveResult::kCantWrite:
      out << fileName << " Can't write" << std::endl;
      break;
  }
  if (!summary.reason.empty()) err << fileName << ": " << summary.reason << std::endl;
}

}  // namespace halvex
