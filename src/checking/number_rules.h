// The rules on how a line is written: a drawing line holds its fields in
// the forms the Parts Tracker accepts, and its numbers have no more decimal
// places than allowed and recommended, no trailing and no leading zeros.
#pragma once

#include <vector>

#include "checking/finding.h"
#include "checking/source_file.h"

namespace halvex {

// Appends the findings of `line`, a line of any type, to `out`: a line that
// is no comment, no meta command and no drawing line of the right fields
// (syntax); then, for a drawing line, its numbers. `recommendedDecimals` is
// the places the library recommends for the file's coordinates. False for a
// line of no known type or of the wrong fields, which the Tracker checks no
// further.
bool CheckWriting(const SourceLine& line, int recommendedDecimals, std::vector<Finding>& out);

}  // namespace halvex
