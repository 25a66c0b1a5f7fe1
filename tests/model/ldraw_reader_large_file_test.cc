// Load reads a file a mebibyte at a time. Whatever falls on the border
// between two pieces (a CR LF split in two, a lone CR, a number or a name cut
// in half, a line longer than a piece) must load as if the text were whole.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/run_program.h"
#include "model/ldraw_reader.h"
#include "model/path_resolver.h"

namespace halvex {
namespace {

constexpr std::size_t kMebibyte = 1 << 20;

// Each text is loaded with the border before each of its characters in turn
// (a long text: before its first), behind a line of x's that makes no
// element. An element shows as its winding in brackets and its text.
TEST(LoadInPieces, BorderAnywhereInTheText) {
  const std::string longLine(2 * kMebibyte, ' ');
  const struct {
    std::string text;
    std::vector<std::string> elements;
  } rows[] = {
      // CR LF split, lone CRs, CR CR LF, LF LF, no last line end.
      {"\r\n0 a\r\r\r\n\n0 b\r0 c", {"[0] 0 a", "[0] 0 b", "[0] 0 c"}},
      // The winding a BFC line declares holds past the border.
      {"0 BFC CERTIFY CW\n2 24 1 2 3 4 5 6\r\n",
       {"[-1] 0 BFC CERTIFY CW", "[-1] 2 24 1 2 3 4 5 6"}},
      // Numbers and a name cut by the border.
      {"1 16 12.5 -3.25 7 1 0 0 0 1 0 0 0 1 s\\3001s01.dat",
       {"[1] 1 16 12.5 -3.25 7 1 0 0 0 1 0 0 0 1 s\\3001s01.dat"}},
      // Lines longer than a piece, one ending the file.
      {"0 " + longLine + "c\r\n4 16 1 2 3 4 5 6 7 8 9 10 11 12" + longLine + "x\n5 24 1 2 3 4 5 6" +
           longLine,
       {"[0] 0 " + longLine + "c", "[0] 4 16 1 2 3 4 5 6 7 8 9 10 11 12",
        "[0] 5 24 1 2 3 4 5 6 0 0 0 0 0 0"}},
  };
  testing::TempFolder folder;
  const std::string path = (folder / "in.dat").string();
  PathResolver resolver;
  for (const auto& row : rows) {
    std::size_t shifts = row.text.size() > kMebibyte ? 1 : row.text.size();
    for (std::size_t shift = 0; shift < shifts; ++shift) {
      testing::WriteFile(path, std::string(kMebibyte - shift - 1, 'x') + '\n' + row.text);
      Model model;
      std::string reason;
      ASSERT_TRUE(Load(model, path, resolver, &reason));
      std::vector<std::string> elements;
      for (int i = 0; i < model.Size(); ++i) {
        const Element& element = model.ElementAt(i);
        elements.emplace_back("[").append(std::to_string(element.winding)).append("] ");
        elements.back().append(element.ToText());
      }
      EXPECT_EQ(elements, row.elements) << "shift " << shift;
    }
  }
}

}  // namespace
}  // namespace halvex
