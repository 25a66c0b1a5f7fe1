// The -k check's report: a file read and checked against LDraw.org's rules
// for the official library, its findings printed one a line, then a count
// per rule, on standard output, where editors and CI tools read them
// ("FILE:LINE: error: RULE: MESSAGE").
#pragma once

#include <ostream>
#include <string>

#include "model/path_resolver.h"
#include "model/search_path.h"

namespace halvex {

struct CheckOutcome {
  // False when the file, or a subfile its placed geometry needs, was not
  // found or could not be read.
  bool read = false;
  int errors = 0;
  int warnings = 0;
};

// Reads the file `fileName`, checks it and prints the findings; with
// `searchPath`, also checks its geometry as placed through it (the file's
// own folder, its embedded files and the libraries). A file that cannot be
// read is reported as the load report does ("NAME not found"), or with the
// reason on `err`; references found nowhere are counted on `err`.
CheckOutcome CheckAndReport(const std::string& fileName, PathResolver& resolver,
                            SearchPath* searchPath, std::ostream& out, std::ostream& err);

// After a split: checks the file written to `fileName` as CheckAndReport
// does, or says on `err` that it cannot be read back (a device such as
// /dev/null, a file removed meanwhile).
void CheckWrittenFile(const std::string& fileName, PathResolver& resolver, SearchPath* searchPath,
                      std::ostream& out, std::ostream& err);

}  // namespace halvex
