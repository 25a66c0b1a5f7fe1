// What a check finds: one rule broken at one line of the checked file, with
// the measured value and the limit in its message, and the text that editors
// and CI tools read ("FILE:LINE: error: RULE: MESSAGE").
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace halvex {

// Errors are what LDraw.org's Parts Tracker holds a part for; warnings what
// a reviewer would remark on (the Tracker's own warnings among them).
enum class Severity { kWarning, kError };

struct Finding {
  int line = 0;  // 1-based, in the checked file
  Severity severity = Severity::kError;
  std::string_view rule;  // one of the names in rule_names.h
  std::string message;    // the measured value and the limit, "3.4 degrees > 3"
};

// "FILE:LINE: error: RULE: MESSAGE", or "warning" for a warning.
std::string FormatFinding(std::string_view file, const Finding& finding);

// The findings of one rule: how many of each severity.
struct RuleCount {
  std::string_view rule;
  int errors = 0;
  int warnings = 0;
};

// One count per rule that has findings, in the order of the rules' names.
std::vector<RuleCount> CountByRule(const std::vector<Finding>& findings);

// "1 error", "2 errors", "0 warnings", ...
std::string CountText(int count, std::string_view noun);

// Text from the file for a message: its first `length` characters (then
// "..."), control characters shown as "?", so that a damaged file's bytes
// neither fill nor garble the report.
std::string ShownText(std::string_view text, std::size_t length = 24);

// `value` for a message: the shortest form, from four significant digits on,
// that does not read as `limit` does, so that "179.9003 degrees > 179.9"
// never prints as "179.9 degrees > 179.9".
std::string MeasureText(double value, double limit);
// `value` with up to six significant digits, for values with no limit.
std::string MeasureText(double value);

// What a message calls a line of type 1 to 5: "reference", "edge line",
// "triangle", "quadrilateral", "conditional line".
const char* LineTypeNoun(int lineType);

}  // namespace halvex
