// The header as the Parts Tracker reads it, and the type 0 lines it knows.
#include <gtest/gtest.h>

#include "check_text.h"

namespace halvex::testing {
namespace {

// kPartHeader with line `number` (1-based) replaced by `line`.
std::string HeaderWith(int number, const std::string& line) {
  std::string header;
  int k = 0;
  std::size_t start = 0;
  while (start < kPartHeader.size()) {
    std::size_t end = kPartHeader.find('\n', start);
    header += ++k == number ? line : kPartHeader.substr(start, end - start);
    header += '\n';
    start = end + 1;
  }
  return header;
}

TEST(HeaderRules, CompleteHeaderPasses) { EXPECT_EQ(Findings(kPartHeader), Lines{}); }

TEST(HeaderRules, MissingLinesAreNamedAtLineOne) {
  EXPECT_EQ(Findings("2 24 0 0 0 1 0 0\n"),
            (Lines{"1: error: description: the first line is no \"0\" description line",
                   "1: error: author: no valid 0 Author: line",
                   "1: error: type: no 0 !LDRAW_ORG line with a part type",
                   "1: error: license: no 0 !LICENSE line",
                   "1: error: bfc: no 0 BFC CERTIFY CCW in the header",
                   "1: error: name: no valid 0 Name: line"}));
}

TEST(HeaderRules, NameIsTheFilesOwnWithItsTypesFolder) {
  EXPECT_EQ(Findings(kPartHeader, "Other.dat"),
            Lines{"2: error: name: Name: test.dat, must be the file's name in lower case: "
                  "other.dat"});
  EXPECT_EQ(Findings(HeaderWith(4, "0 !LDRAW_ORG Subpart UPDATE 2024-01")),
            Lines{"2: error: name: Name: test.dat, a Subpart is named s\\test.dat"});
  EXPECT_EQ(Findings(HeaderWith(2, "0 Name: s\\test.dat")),
            Lines{"2: error: name: Name: s\\test.dat, a Part is named test.dat"});
}

TEST(HeaderRules, TypeLicenceAndWinding) {
  EXPECT_EQ(Findings(HeaderWith(4, "0 !LDRAW_ORG Brick")),
            Lines{"1: error: type: no 0 !LDRAW_ORG line with a part type"});
  EXPECT_EQ(Findings(HeaderWith(4, "0 !LDRAW_ORG Unofficial_Part Alias")), Lines{});
  EXPECT_EQ(Findings(HeaderWith(5,
                                "0 !LICENSE Redistributable under CCAL version 2.0 : "
                                "see CAreadme.txt")),
            Lines{"5: error: license: not a licence the library accepts: Redistributable "
                  "under CCAL version 2.0 : see CAreadme.txt"});
  EXPECT_EQ(Findings(HeaderWith(7, "0 BFC CERTIFY CW")),
            Lines{"7: error: bfc: 0 BFC CERTIFY CW, must be 0 BFC CERTIFY CCW"});
}

// A comment ends the header: a BFC CERTIFY after it is in the body.
TEST(HeaderRules, CommentEndsTheHeader) {
  EXPECT_EQ(Findings(HeaderWith(6, "0 // made by hand")),
            Lines{"1: error: bfc: no 0 BFC CERTIFY CCW in the header"});
}

TEST(HeaderRules, DocumentedOrder) {
  std::string swapped = HeaderWith(2, "0 Author: Test Author [tester]");
  swapped = swapped.replace(swapped.find("0 Author", 20), 30, "0 Name: test.dat");
  EXPECT_EQ(Findings(swapped), Lines{"3: warning: header-order: 0 Name: after 0 Author:"});
  EXPECT_EQ(Findings(kPartHeader + "2 24 0 0 0 1 0 0\n0 !HISTORY 2024-01-01 [tester] Made\n"),
            Lines{"10: warning: header-order: 0 !HISTORY below the header"});
}

TEST(HeaderRules, MetaLinesTheTrackerKnows) {
  EXPECT_EQ(Findings(kPartHeader + "0 // a comment\n0 BFC NOCLIP\n0 BFC CLIP CCW\n"
                                   "0 BFC INVERTNEXT\n0\n"),
            Lines{});
  EXPECT_EQ(Findings(kPartHeader + "0 inner ring\n0 BFC NOCLIP CW\n0 //no blank\n"),
            (Lines{"9: error: meta: unknown META command or comment without //: inner",
                   "10: error: meta: 0 BFC NOCLIP CW is no BFC statement",
                   "11: error: meta: unknown META command or comment without //: //no"}));
  EXPECT_EQ(Findings(HeaderWith(8, "0 !HISTORY 2024-1-01 [tester] Made")),
            Lines{"8: error: meta: 0 !HISTORY needs a date, [user name] or {real name}, and a "
                  "comment"});
}

}  // namespace
}  // namespace halvex::testing
