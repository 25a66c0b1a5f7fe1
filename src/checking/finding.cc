#include "checking/finding.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "elements/element.h"

namespace halvex {
namespace {

std::string Significant(double value, int digits) {
  char buffer[64];
  auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
  return std::string(buffer, result.ptr);
}

}  // namespace

std::string FormatFinding(std::string_view file, const Finding& finding) {
  std::string text(file);
  text += ':';
  text += std::to_string(finding.line);
  text += finding.severity == Severity::kError ? ": error: " : ": warning: ";
  text += finding.rule;
  text += ": ";
  text += finding.message;
  return text;
}

std::vector<RuleCount> CountByRule(const std::vector<Finding>& findings) {
  std::map<std::string_view, RuleCount> counts;
  for (const Finding& finding : findings) {
    RuleCount& count = counts[finding.rule];
    count.rule = finding.rule;
    ++(finding.severity == Severity::kError ? count.errors : count.warnings);
  }
  std::vector<RuleCount> result;
  for (const auto& [rule, count] : counts) result.push_back(count);
  return result;
}

std::string CountText(int count, std::string_view noun) {
  std::string text = std::to_string(count) + " " + std::string(noun);
  if (count != 1) text += 's';
  return text;
}

std::string ShownText(std::string_view text, std::size_t length) {
  std::string shown;
  for (char c : text.substr(0, length)) {
    const auto byte = static_cast<unsigned char>(c);
    shown += byte < 0x20 || byte == 0x7f ? '?' : c;
  }
  if (text.size() > length) shown += "...";
  return shown;
}

std::string MeasureText(double value, double limit) {
  // Twelve digits tell apart any two values the checks compare: their
  // inputs have at most a few decimals.
  for (int digits = 4; digits < 12; ++digits) {
    std::string text = Significant(value, digits);
    if (text != Significant(limit, digits)) return text;
  }
  return Significant(value, 12);
}

std::string MeasureText(double value) { return Significant(value, 6); }

const char* LineTypeNoun(int lineType) {
  switch (lineType) {
    case kSubfileType:
      return "reference";
    case kEdgeType:
      return "edge line";
    case kTriangleType:
      return "triangle";
    case kQuadType:
      return "quadrilateral";
    default:
      return "conditional line";
  }
}

}  // namespace halvex
