#include "checking/number_rules.h"

#include <optional>
#include <string>

#include "checking/check_limits.h"
#include "checking/finding.h"
#include "checking/line_fields.h"
#include "checking/rule_names.h"
#include "elements/element.h"
#include "geometry/number_text.h"

namespace halvex {
namespace {

void Add(std::vector<Finding>& out, int line, Severity severity, std::string_view rule,
         std::string message) {
  out.push_back(Finding{line, severity, rule, std::move(message)});
}

// The fields of a drawing line against the Tracker's patterns for its type
// (app/Enums/LDrawRegex.php, LineType1 to LineType5), which it reports as
// "Line invalid": the colour, the count of numbers, each number's form, and
// a reference's file name. The first problem, or none.
std::optional<std::string> FieldProblem(const LineFields& fields, int lineType) {
  if (!IsColourToken(fields.colour)) {
    if (fields.colour.empty()) return "no colour";
    return "colour " + ShownText(fields.colour) + " is no colour number";
  }
  const int wanted = NumberCount(lineType);
  if (static_cast<int>(fields.numbers.size()) != wanted) {
    const char* article = lineType == kEdgeType ? "an " : "a ";
    return std::to_string(fields.numbers.size()) + " numbers, " + article +
           LineTypeNoun(lineType) + " has " +
           std::to_string(wanted);
  }
  for (std::string_view token : fields.numbers) {
    if (!IsPlainNumber(token)) return ShownText(token) + " is no plain decimal number";
  }
  if (lineType == kSubfileType && fields.name.empty()) return "no file name";
  return std::nullopt;
}

// Decimal places: more than kMaxDecimals in any number is the Tracker's
// error ("Decimal precision exceeds 5", ValidLines); more than recommended
// in a coordinate a warning. A reference's matrix is held only to the
// Tracker's limit: rotations need more places than coordinates do (0.7071),
// and the recommendations speak of the coordinates that scaling multiplies.
void CheckDecimals(const LineFields& fields, int lineType, int recommended, int line,
                   std::vector<Finding>& out) {
  std::string_view mostPlaces;
  std::string_view mostCoordinatePlaces;
  const std::size_t coordinates = lineType == kSubfileType ? 3 : fields.numbers.size();
  for (std::size_t k = 0; k < fields.numbers.size(); ++k) {
    std::string_view token = fields.numbers[k];
    if (DecimalPlaces(token) > DecimalPlaces(mostPlaces)) mostPlaces = token;
    if (k < coordinates && DecimalPlaces(token) > DecimalPlaces(mostCoordinatePlaces)) {
      mostCoordinatePlaces = token;
    }
  }
  if (DecimalPlaces(mostPlaces) > kMaxDecimals) {
    Add(out, line, Severity::kError, rules::kDecimals,
        std::to_string(DecimalPlaces(mostPlaces)) + " places in " + ShownText(mostPlaces) + " > " +
            std::to_string(kMaxDecimals));
  } else if (DecimalPlaces(mostCoordinatePlaces) > recommended) {
    Add(out, line, Severity::kWarning, rules::kDecimals,
        std::to_string(DecimalPlaces(mostCoordinatePlaces)) + " places in " +
            ShownText(mostCoordinatePlaces) + " > " + std::to_string(recommended) + " recommended");
  }
}

// [R] "Format": trailing zeros must be removed (1.5, not 1.500), and leading
// zeros unless immediately before the decimal point (1.5, not 01.5). The
// Tracker holds both (ValidLines: "trailingzeros", "leadingzeros"); like its
// pattern, a lone zero after the point ("1.0") is a trailing zero.
void CheckZeros(const LineFields& fields, int line, std::vector<Finding>& out) {
  for (std::string_view token : fields.numbers) {
    if (token.find('.') != std::string_view::npos && token.ends_with('0')) {
      Add(out, line, Severity::kError, rules::kTrailingZero, ShownText(token));
      break;
    }
  }
  for (std::string_view token : fields.numbers) {
    std::string_view digits = token.starts_with('-') ? token.substr(1) : token;
    std::string_view whole = digits.substr(0, digits.find('.'));
    if (whole.size() > 1 && whole.front() == '0') {
      Add(out, line, Severity::kError, rules::kLeadingZero, ShownText(token));
      break;
    }
  }
}

}  // namespace

bool CheckWriting(const SourceLine& line, int recommendedDecimals, std::vector<Finding>& out) {
  std::size_t start = SkipSpace(line.text, 0);
  std::string_view typeToken = line.text.substr(start, SkipToken(line.text, start) - start);
  if (typeToken.empty() || typeToken == "0") return true;
  // [T] ImprovedParser: a line that does not begin with a line type 0 to 5
  // is invalid.
  if (typeToken.size() != 1 || typeToken[0] < '1' || typeToken[0] > '5') {
    Add(out, line.number, Severity::kError, rules::kSyntax,
        "line type " + ShownText(typeToken) + " unknown");
    return false;
  }
  const int lineType = typeToken[0] - '0';
  LineFields fields = SplitFields(line.text, lineType);
  if (std::optional<std::string> problem = FieldProblem(fields, lineType)) {
    Add(out, line.number, Severity::kError, rules::kSyntax, *problem);
    return false;
  }
  CheckDecimals(fields, lineType, recommendedDecimals, line.number, out);
  CheckZeros(fields, line.number, out);
  return true;
}

}  // namespace halvex
