// Whole runs that the case folders cannot hold: one input under many option
// sets, a symbolic link with its permission bits, and a nesting 65 files deep.
#include <gtest/gtest.h>

#include <iterator>

#include "e2e/run_program.h"

namespace halvex::testing {
namespace {

using Lines = std::vector<std::string>;

const std::string kBanner = "Halvex 1.0 - split LDraw files by a plane\n";
const std::string kPrompt = "Press <Enter> to quit\n";
const std::string kP = "Precision 0.001\n\n";

std::string Saved(const std::string& name, std::size_t lines, int edges, int conds, int triangles,
                  int quads) {
  return "\nSaving " + name + "\n" + std::to_string(lines) + " lines in file\n" +
         std::to_string(edges) + " Edge lines\n" + std::to_string(conds) + " Conditional lines\n" +
         std::to_string(triangles) + " Triangles\n" + std::to_string(quads) + " Quads\n";
}

// The save report of a run that writes `written`: erased elements count
// nowhere, so its counts are those of the lines written.
std::string Saved(const Lines& written) {
  int types[6] = {};
  for (const std::string& line : written) ++types[line[0] - '0'];
  return Saved("out.dat", written.size(), types[2], types[5], types[3], types[4]);
}

std::string CrLf(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// tests/data/decision_table.dat, line by line, as seen from -x+.
const std::string kM = "0 decision table";
const std::string kE1 = "2 24 -5 0 0 -1 0 0";             // Removed side.
const std::string kE2 = "2 24 0.0005 1 0 5 1 0";          // Kept side once snapped:
const std::string kE2s = "2 24 0 1 0 5 1 0";              //   its first end is on x = 0.
const std::string kE3 = "2 24 -1 0 0 1 0 0";              // Across, its own mirror image.
const std::string kE4 = "2 24 -1 1 0 2 1 0";              // Across, not.
const std::string kE5 = "2 24 0 0 0 0 5 0";               // In the plane.
const std::string kC6 = "5 24 -1 1 0 2 1 0 0 0 0 0 0 1";  // Across.
const std::string kT7 = "3 16 -1 0 0 1 0 0 1 1 0";        // Across.
const std::string kQ8 = "4 16 -1 0 0 2 0 0 2 2 0 1 2 0";  // Across, three corners kept.
const std::string kT9 = "3 16 0 0 0 0 1 0 0 0 1";         // In the plane; z up to 1.
const std::string kStud = "1 16 -3 0 0 1 0 0 0 1 0 0 0 1 stud.dat";  // Studs: always across.
const std::string kR1 = "1 16 -3 0 0 1 0 0 0 1 0 0 0 1 box.dat";     // Removed side.
const std::string kR2 = "1 16 3 0 0 1 0 0 0 1 0 0 0 1 box.dat";      // Kept side.
const std::string kR3 = "1 16 0 0 0 1 0 0 0 1 0 0 0 1 box.dat";      // In the plane.
const std::string kStud2 = "1 16 -3 0 0 1 0 0 0 1 0 0 0 1 stud2.dat";
const std::string kStug = "1 16 -3 0 0 1 0 0 0 1 0 0 0 1 stug-1x2.dat";
const std::string kCaps = "1 16 -3 0 0 1 0 0 0 1 0 0 0 1 STUD.DAT";  // No stud: removed side.
// The pieces that -ca keeps; the quad's completing triangle goes last.
const std::string kE3Cut = "2 24 0 0 0 1 0 0";
const std::string kE4Cut = "2 24 0 1 0 2 1 0";
const std::string kC6Cut = "5 24 0 1 0 2 1 0 0 0 0 0 0 1";
const std::string kT7Cut = "4 16 0 0 0 1 0 0 1 1 0 0 0.5 0";
const std::string kQ8Cut = "4 16 0 0 0 2 0 0 2 2 0 1 2 0";
const std::string kQ8Second = "3 16 1 2 0 0 1 0 0 0 0";

const std::string kDa = "Elements across splitter plane deleted\n";
const std::string kDi = "Elements completely in splitter plane deleted\n";
const std::string kDn = "Elements not across or in splitter plane deleted\n";
const std::string kD0 = "No elements deleted, only snaps to splitter plane\n";
const std::string kCa = "Cut elements by splitter plane\n";

struct TableRow {
  Lines options;
  std::string messages;
  Lines written;
};

const TableRow kTable[] = {
    {{"-x+"}, "", {kM, kE2s, kE3, kE4, kE5, kC6, kT7, kQ8, kT9, kStud, kR2, kR3, kStud2, kStug}},
    {{"-x+", "-c"},
     "",
     {kM, kE2s, "2 4 -1 0 0 1 0 0", "2 4 -1 1 0 2 1 0", "2 1 0 0 0 0 5 0",
      "5 4 -1 1 0 2 1 0 0 0 0 0 0 1", "3 14 -1 0 0 1 0 0 1 1 0", "4 14 -1 0 0 2 0 0 2 2 0 1 2 0",
      "3 9 0 0 0 0 1 0 0 0 1", "1 14 -3 0 0 1 0 0 0 1 0 0 0 1 stud.dat", kR2,
      "1 1 0 0 0 1 0 0 0 1 0 0 0 1 box.dat", "1 14 -3 0 0 1 0 0 0 1 0 0 0 1 stud2.dat",
      "1 14 -3 0 0 1 0 0 0 1 0 0 0 1 stug-1x2.dat"}},
    // -v clears a later -c too. No polygon is its own mirror image: a kept
    // corner does not count as lying in the plane. The triangle's test turns it
    // back to its order; the quad is written from its third corner.
    {{"-x+", "-v", "-c"},
     "",
     {kM, kE2s, kE3, "2 10 -1 1 0 2 1 0", kE5, "5 10 -1 1 0 2 1 0 0 0 0 0 0 1",
      "3 5 -1 0 0 1 0 0 1 1 0", "4 5 2 2 0 1 2 0 -1 0 0 2 0 0", kT9, kStud, kR2, kR3, kStud2,
      kStug}},
    {{"-x+", "-da"}, kDa, {kM, kE2s, kE5, kT9, kR2, kR3}},
    {{"-x+", "-di"}, kDi, {kM, kE2s, kE3, kE4, kC6, kT7, kQ8, kStud, kR2, kStud2, kStug}},
    {{"-x+", "-dn"}, kDn, {kM, kE3, kE4, kE5, kC6, kT7, kQ8, kT9, kStud, kR3, kStud2, kStug}},
    {{"-x+", "-da", "-di", "-dn", "-d0"},
     kDa + kDi + kDn + kD0,
     {kM, kE1, kE2s, kE3, kE4, kE5, kC6, kT7, kQ8, kT9, kStud, kR1, kR2, kR3, kStud2, kStug,
      kCaps}},
    {{"-x+", "-ca"},
     kCa,
     {kM, kE2s, kE3Cut, kE4Cut, kE5, kC6Cut, kT7Cut, kQ8Cut, kT9, kR2, kR3, kQ8Second}},
    {{"-x+", "-ca", "-dn"}, kCa + kDn, {kM, kE3Cut, kE4Cut, kE5, kC6Cut, kT7Cut, kQ8Cut, kT9, kR3}},
    {{"-x+", "-da", "-ca"}, kDa + kCa, {kM, kE2s, kE5, kT9, kR2, kR3}},
    {{"-i", "-x+"},
     "",
     {kM, kE1, kE3, kE4, kE5, kC6, kT7, kQ8, kT9, kStud, kR1, kR3, kStud2, kStug, kCaps}},
    {{"-x++", "-10"},
     "",
     {kM, kE1, kE2, kE3, kE4, kE5, kC6, kT7, kQ8, kT9, kStud, kR1, kR2, kR3, kStud2, kStug, kCaps}},
    // -z- keeps z < 0: of all the elements in z = 0 only the triangle reaches z > 0.
    {{"-z-"},
     "",
     {kM, kE1, kE2, kE3, kE4, kE5, kC6, kT7, kQ8, kStud, kR1, kR2, kR3, kStud2, kStug, kCaps}},
};

TEST(DecisionTable, EachOptionSetWritesItsFile) {
  for (const TableRow& row : kTable) {
    SCOPED_TRACE(::testing::PrintToString(row.options));
    TempFolder folder;
    fs::copy_file(fs::path(HALVEX_SOURCE_DIR) / "tests/data/decision_table.dat", folder / "in.dat");
    Lines args = row.options;
    args.insert(args.end(), {"in.dat", "out.dat"});
    ProgramResult result = RunHalvex(folder.Path(), args);
    EXPECT_EQ(result.out, kBanner + row.messages + kP +
                              "\nLoading in.dat\n17 lines in file\n5 Edge lines\n"
                              "1 Conditional lines\n2 Triangles\n1 Quads\n7 Subfiles\n" +
                              Saved(row.written) + kPrompt);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(ReadFile(folder / "out.dat"), CrLf(row.written));
  }
}

// Outfile is Infile, reached through a symbolic link: the file it points to is
// replaced and keeps its permission bits, the link stays, nothing else is left.
TEST(SplitRun, ReplacesTheFileBehindALinkKeepingItsMode) {
#ifdef _WIN32
  GTEST_SKIP() << "needs symbolic links and POSIX permissions";
#endif
  TempFolder folder;
  WriteFile(folder / "real/in.dat", "2 24 -1 0 0 -2 0 0\n2 24 1 0 0 2 0 0\n");
  fs::permissions(folder / "real/in.dat", fs::perms(0641));
  fs::create_symlink("real/in.dat", folder / "link.dat");
  ProgramResult result = RunHalvex(folder.Path(), {"-x+", "link.dat", "link.dat"});
  EXPECT_EQ(result.out, kBanner + kP +
                            "\nLoading link.dat\n2 lines in file\n2 Edge lines\n0 Conditional "
                            "lines\n0 Triangles\n0 Quads\n0 Subfiles\n" +
                            Saved("link.dat", 1, 1, 0, 0, 0) + kPrompt);
  EXPECT_TRUE(fs::is_symlink(folder / "link.dat"));
  EXPECT_EQ(ReadFile(folder / "real/in.dat"), "2 24 1 0 0 2 0 0\r\n");
  EXPECT_EQ(fs::status(folder / "real/in.dat").permissions(), fs::perms(0641));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder / "real"), {}), 1);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), {}), 2);
}

// f1.dat refers to f2.dat and so on, each holding one edge line as well:
// 64 levels are expanded, the reference to f65.dat is left and reported.
TEST(SplitRun, NestingDeeperThan64LevelsIsLeft) {
  TempFolder folder;
  const std::string ref = "1 16 0 0 0 1 0 0 0 1 0 0 0 1 f";
  WriteFile(folder / "in.dat", ref + "1.dat\n");
  for (int k = 1; k <= 65; ++k) {
    WriteFile(folder / (std::string("f") + std::to_string(k) + ".dat"),
              ref + std::to_string(k + 1) + ".dat\n2 24 1 0 0 2 0 0\n");
  }
  ProgramResult result = RunHalvex(folder.Path(), {"-s", "-x+", "in.dat", "out.dat"});
  EXPECT_EQ(result.out, kBanner + kP +
                            "\nLoading in.dat\n1 lines in file\n0 Edge lines\n0 Conditional "
                            "lines\n0 Triangles\n0 Quads\n1 Subfiles\n\nExpanding subfiles\n"
                            "LDraw subfiles search locations:\n.\\, .\\p\\, .\\s\\\n"
                            "Nesting too deep at f65.dat\n\nInlined from subfiles:\n"
                            "64 Edge lines\n0 Conditional lines\n0 Triangles\n0 Quads\n\n" +
                            Saved("out.dat", 65, 64, 0, 0, 0) + kPrompt);
}

}  // namespace
}  // namespace halvex::testing
