// Checks of small texts for the rule tests: the findings of a whole file,
// or of a part's body under a header that passes every header rule.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "checking/file_check.h"
#include "checking/source_file.h"

namespace halvex::testing {

// The header of a Part named test.dat, eight lines: a body's first line is
// line 9.
inline const std::string kPartHeader =
    "0 Test part\n"
    "0 Name: test.dat\n"
    "0 Author: Test Author [tester]\n"
    "0 !LDRAW_ORG Part UPDATE 2024-01\n"
    "0 !LICENSE Licensed under CC BY 4.0 : see CAreadme.txt\n"
    "\n"
    "0 BFC CERTIFY CCW\n"
    "\n";

// The findings of checking `text` as the file `name`, each as
// "LINE: error: RULE: MESSAGE".
inline std::vector<std::string> Findings(const std::string& text,
                                         std::string_view name = "test.dat") {
  SourceFile source(text);
  std::vector<std::string> lines;
  for (const Finding& finding : CheckFile(source, name).findings) {
    lines.push_back(FormatFinding("", finding).substr(1));
  }
  return lines;
}

// The findings of a part whose body is `body`.
inline std::vector<std::string> BodyFindings(const std::string& body) {
  return Findings(kPartHeader + body);
}

using Lines = std::vector<std::string>;

}  // namespace halvex::testing
