// The rules on a file's header, as the Parts Tracker reads it: a
// description first, then "0 Name:" (the file's own name, with the folder
// its type asks for), "0 Author:", "0 !LDRAW_ORG" with a part type,
// "0 !LICENSE" with an approved licence and "0 BFC CERTIFY CCW", in the
// documented order; and every other type 0 line a meta command the Tracker
// knows or a "//" comment.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "checking/finding.h"
#include "checking/source_file.h"

namespace halvex {

// What the header says that other rules need.
struct HeaderFacts {
  std::string_view name;  // The "0 Name:" value; empty without a valid one.
  std::string_view type;  // The part type, "Unofficial_" left out; empty without one.
  // The decimal places the library recommends for the file's coordinates.
  int recommendedDecimals = 3;
};

// The part type of a "0 !LDRAW_ORG" line, `rest` being its text after
// "!LDRAW_ORG" as the Parts Tracker reads it: the type ("Unofficial_" in
// front left out), then optionally a qualifier, ORIGINAL or UPDATE, and a
// release YYYY-RR. None when the line is not of that form.
std::optional<std::string_view> PartTypeOf(std::string_view rest);

// Appends the findings of the header and of the file's other type 0 lines
// to `out`, and answers what the header says. `fileName` is the file's own
// name, without folders ("3001.dat"). A type 0 line the Tracker holds as
// invalid is one whose first word it does not know (a comment without
// "//"), or a BFC or !HISTORY line not of their forms.
HeaderFacts CheckHeader(const SourceFile& file, std::string_view fileName,
                        std::vector<Finding>& out);

}  // namespace halvex
