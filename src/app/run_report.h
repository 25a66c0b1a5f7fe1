// The console report of a run's file work: every line it prints about
// loading, expanding and saving, from what the model layer answered.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "model/ldraw_reader.h"
#include "model/ldraw_writer.h"
#include "model/search_path.h"
#include "model/subfile_expander.h"

namespace halvex {

// The heading printed before a file is looked for.
void ReportLoading(std::ostream& out, const std::string& fileName);
// A load's report on `out`; "NAME not found" when there was no load, and
// then, when `reason` says why (a folder, a file nobody may read, a failed
// read), "NAME: reason" on `err`.
void ReportLoad(std::ostream& out, std::ostream& err, const std::string& fileName,
                const std::optional<LoadSummary>& summary, const std::string& reason);
// The heading of an expansion, with the search locations.
void ReportExpanding(std::ostream& out, const SearchPath& searchPath);
// An expansion's notes, then its counts or why it stopped.
// With `withFates`, the counts of references kept whole, removed whole,
// inlined and not found follow the counts of inlined elements, then those
// of the references to circular primitives the split cuts and of those
// written as fraction primitives.
void ReportExpansion(std::ostream& out, const ExpandSummary& summary, bool withFates = false);
// The referenced files that the expansion found nowhere: how many, and the
// first few names. Nothing when every one was found.
void ReportNotFound(std::ostream& err, const std::vector<std::string>& names);
// What to do when subfiles were not found and no library holds parts or p.
void ReportNoLibrary(std::ostream& err);
// A save's report, or why it failed.
void ReportSave(std::ostream& out, std::ostream& err, const std::string& fileName,
                const SaveSummary& summary);

}  // namespace halvex
