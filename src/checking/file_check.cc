#include "checking/file_check.h"

#include <algorithm>

#include "checking/duplicate_rules.h"
#include "checking/element_rules.h"
#include "checking/number_rules.h"

namespace halvex {

FileCheck CheckFile(const SourceFile& file, std::string_view fileName) {
  FileCheck check;
  check.header = CheckHeader(file, fileName, check.findings);
  for (const SourceLine& line : file.Lines()) {
    // A line of the wrong fields is not read further, as on the Tracker:
    // its element holds what could be read, not what was meant.
    if (!CheckWriting(line, check.header.recommendedDecimals, check.findings)) continue;
    if (line.element) CheckElement(*line.element, line.number, check.header.name, check.findings);
  }
  CheckDuplicates(file, check.findings);
  SortByLine(check.findings);
  return check;
}

void SortByLine(std::vector<Finding>& findings) {
  std::stable_sort(findings.begin(), findings.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });
}

}  // namespace halvex
