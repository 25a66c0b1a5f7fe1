// A large input is read, split and written a part at a time. The same
// elements behind no blank lines make an input too small to be split so:
// runs on the two must print and write the same.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/run_program.h"

namespace halvex::testing {
namespace {

constexpr std::size_t kMebibyte = 1 << 20;

// `bytes` or more of lines about the planes x = 0 and z = 5: quads cut into
// two pieces, triangles and lines across, beside and in the planes,
// references after BFC INVERTNEXT, comments.
std::string PlaneLines(std::size_t bytes) {
  std::string text = "0 Large\r\n0 BFC CERTIFY CCW\r\n";
  for (int i = 0; text.size() < bytes; ++i) {
    const std::string n = std::to_string(i % 1000);
    const std::string m = std::to_string(i % 17 - 8);
    switch (i % 6) {
      case 0:
        text.append("4 16 -1 " + n + " 0 3 -1 0 3 3 0 1 3 0\r\n");
        break;
      case 1:
        text.append("3 4 " + m + " 0 0 " + n + " 1 9 0 1 " + m + "\r\n");
        break;
      case 2:
        text.append("2 24 " + m + " 1 2 0 " + n + " 6\r\n");
        break;
      case 3:
        text.append("0 BFC INVERTNEXT\r\n1 16 " + m + " 0 " + m + " 1 0 0 0 1 0 0 0 1 box.dat\r\n");
        break;
      case 4:
        text.append("5 24 0 0 5 1 " + n + " 5 2 0 0 0 0 9\r\n");
        break;
      default:
        text.append("0 // " + n + "\r\n");
        break;
    }
  }
  return text;
}

TEST(LargeInput, RunsAsOnTheWholeModel) {
  TempFolder folder;
  const std::string lines = PlaneLines(3 * kMebibyte);
  const std::string blank(2 * kMebibyte, '\n');
  const std::string texture =
      "0 !TEXMAP START PLANAR 0 0 0 2 0 0 0 0 2 tile.png\n3 16 -1 0 0 1 0 0 0 0 1\n"
      "0 !TEXMAP END\n";
  WriteFile(folder.Path() / "split.dat", "3 16 0 0 0 0 0 10 0 10 0\n3 16 0 10 5 0 0 5 10 0 5\n");
  const struct {
    std::string text;
    std::vector<std::string> options;
  } rows[] = {
      {lines, {"-ca"}},
      {lines, {"-c", "-v", "-p", "0.01"}},
      {lines, {"-dn", "-di", "-k"}},
      // Texture blocks need the whole model.
      {lines + texture, {"-ca"}},
  };
  for (const auto& row : rows) {
    WriteFile(folder.Path() / "small.ldr", row.text);
    WriteFile(folder.Path() / "large.ldr", row.text + blank);
    std::vector<std::string> small = row.options;
    small.insert(small.end(), {"small.ldr", "split.dat", "small_out.ldr"});
    std::vector<std::string> large = row.options;
    large.insert(large.end(), {"large.ldr", "split.dat", "large_out.ldr"});
    const ProgramResult wholeRun = RunHalvex(folder.Path(), small);
    const ProgramResult partRun = RunHalvex(folder.Path(), large);
    EXPECT_EQ(partRun.exitCode, wholeRun.exitCode);
    EXPECT_EQ(Replaced(partRun.out, "large", "small"), wholeRun.out);
    EXPECT_TRUE(ReadFile(folder.Path() / "large_out.ldr") ==
                ReadFile(folder.Path() / "small_out.ldr"))
        << "output differs";
  }
}

}  // namespace
}  // namespace halvex::testing
