// Whole runs on small hand-made files: the standard output, the exit code and
// the output file, byte for byte.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "e2e/run_program.h"

namespace halvex::testing {
namespace {

using Args = std::vector<std::string>;
using Lines = std::vector<std::string>;

std::string Out(const std::string& middle) {
  return std::string(kBanner) + middle + std::string(kPrompt);
}

std::vector<std::string> FolderEntries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// tests/data/decision_table.dat, line by line; E2 has a vertex 0.0005 off x = 0.
const std::string kM = "0 decision table";
const std::string kE1 = "2 24 -5 0 0 -1 0 0";     // x < 0
const std::string kE2 = "2 24 0.0005 1 0 5 1 0";  // x > 0, snapped by x = 0
const std::string kE2Snapped = "2 24 0 1 0 5 1 0";
const std::string kE3 = "2 24 -1 0 0 1 0 0";              // across, its own mirror image
const std::string kE4 = "2 24 -1 1 0 2 1 0";              // across, not
const std::string kE5 = "2 24 0 0 0 0 5 0";               // in x = 0
const std::string kT6 = "3 16 -1 0 0 1 0 0 1 1 0";        // across
const std::string kQ7 = "4 16 -1 0 0 2 0 0 2 2 0 1 2 0";  // across, keeps three corners
const std::string kT8 = "3 16 0 0 0 0 1 0 0 0 1";         // in x = 0, z > 0
const std::string kR9 = "1 16 -3 0 0 1 0 0 0 1 0 0 0 1 stud.dat";
const std::string kR10 = "1 16 -3 0 0 1 0 0 0 1 0 0 0 1 box.dat";
const std::string kR11 = "1 16 3 0 0 1 0 0 0 1 0 0 0 1 box.dat";
const std::string kR12 = "1 16 0 0 0 1 0 0 0 1 0 0 0 1 box.dat";
// Pieces of the cut with x > 0 kept; the quad's completing triangle is appended.
const std::string kE3Cut = "2 24 0 0 0 1 0 0";
const std::string kE4Cut = "2 24 0 1 0 2 1 0";
const std::string kT6Cut = "4 16 0 0 0 1 0 0 1 1 0 0 0.5 0";
const std::string kQ7Cut = "4 16 0 0 0 2 0 0 2 2 0 1 2 0";
const std::string kQ7Second = "3 16 1 2 0 0 1 0 0 0 0";

struct TableRow {
  const char* name;
  Args options;
  std::string messages;
  int edges, triangles, quads;  // In the save report.
  Lines written;
};
void PrintTo(const TableRow& row, std::ostream* os) { *os << row.name; }

class DecisionTable : public ::testing::TestWithParam<TableRow> {};

TEST_P(DecisionTable, WritesTheExpectedFile) {
  TempFolder folder;
  CopyFixture("decision_table.dat", folder / "in.dat");
  Args args = GetParam().options;
  args.insert(args.end(), {"in.dat", "out.dat"});
  ProgramResult result = RunHalvex(folder.Path(), args);
  const TableRow& row = GetParam();
  EXPECT_EQ(result.out,
            Out(row.messages + "Precision 0.001\n\n" + LoadReport("in.dat", 13, 5, 0, 2, 1, 4) +
                SaveReport("out.dat", static_cast<int>(row.written.size()), row.edges, 0,
                           row.triangles, row.quads)));
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(ReadFile(folder / "out.dat"), CrLf(row.written));
}

const std::string kDa = "Elements across splitter plane deleted\n";
const std::string kDi = "Elements completely in splitter plane deleted\n";
const std::string kDn = "Elements not across or in splitter plane deleted\n";
const std::string kD0 = "No elements deleted, only snaps to splitter plane\n";
const std::string kCa = "Cut elements by splitter plane\n";

// clang-format off
INSTANTIATE_TEST_SUITE_P(E2e, DecisionTable, ::testing::Values(
    TableRow{"Default", {"-x+"}, "", 4, 2, 1,
             {kM, kE2Snapped, kE3, kE4, kE5, kT6, kQ7, kT8, kR9, kR11, kR12}},
    TableRow{"Colour", {"-x+", "-c"}, "", 4, 2, 1,
             {kM, kE2Snapped, "2 4 -1 0 0 1 0 0", "2 4 -1 1 0 2 1 0", "2 1 0 0 0 0 5 0",
              "3 14 -1 0 0 1 0 0 1 1 0", "4 14 -1 0 0 2 0 0 2 2 0 1 2 0", "3 9 0 0 0 0 1 0 0 0 1",
              "1 14 -3 0 0 1 0 0 0 1 0 0 0 1 stud.dat", kR11,
              "1 1 0 0 0 1 0 0 0 1 0 0 0 1 box.dat"}},
    // -v clears -c. Neither polygon is its own mirror image (departure: a kept
    // corner does not count as lying in the plane); the triangle's test turns
    // it back to its order, the quad is written from its third corner.
    TableRow{"Verify", {"-x+", "-c", "-v"}, "", 4, 2, 1,
             {kM, kE2Snapped, kE3, "2 10 -1 1 0 2 1 0", kE5, "3 5 -1 0 0 1 0 0 1 1 0",
              "4 5 2 2 0 1 2 0 -1 0 0 2 0 0", kT8, kR9, kR11, kR12}},
    TableRow{"DeleteAcross", {"-x+", "-da"}, kDa, 2, 1, 0,
             {kM, kE2Snapped, kE5, kT8, kR11, kR12}},
    TableRow{"DeleteInPlane", {"-x+", "-di"}, kDi, 3, 1, 1,
             {kM, kE2Snapped, kE3, kE4, kT6, kQ7, kR9, kR11}},
    TableRow{"DeleteNotInOrAcross", {"-x+", "-dn"}, kDn, 3, 2, 1,
             {kM, kE3, kE4, kE5, kT6, kQ7, kT8, kR9, kR12}},
    TableRow{"SnapOnly", {"-x+", "-d0"}, kD0, 5, 2, 1,
             {kM, kE1, kE2Snapped, kE3, kE4, kE5, kT6, kQ7, kT8, kR9, kR10, kR11, kR12}},
    TableRow{"Cut", {"-x+", "-ca"}, kCa, 4, 2, 2,
             {kM, kE2Snapped, kE3Cut, kE4Cut, kE5, kT6Cut, kQ7Cut, kT8, kR11, kR12, kQ7Second}},
    TableRow{"CutDeleteNotInOrAcross", {"-x+", "-ca", "-dn"}, kCa + kDn, 3, 1, 2,
             {kM, kE3Cut, kE4Cut, kE5, kT6Cut, kQ7Cut, kT8, kR12}},
    TableRow{"DeleteAcrossAndCut", {"-x+", "-da", "-ca"}, kDa + kCa, 2, 1, 0,
             {kM, kE2Snapped, kE5, kT8, kR11, kR12}},
    TableRow{"InvertBefore", {"-i", "-x+"}, "", 4, 2, 1,
             {kM, kE1, kE3, kE4, kE5, kT6, kQ7, kT8, kR9, kR10, kR12}},
    TableRow{"InvertAfter", {"-x+", "-i"}, "", 4, 2, 1,
             {kM, kE1, kE3, kE4, kE5, kT6, kQ7, kT8, kR9, kR10, kR12}},
    // The value "-10" is consumed although it begins with "-".
    TableRow{"AxisValue", {"-x++", "-10"}, "", 5, 2, 1,
             {kM, kE1, kE2, kE3, kE4, kE5, kT6, kQ7, kT8, kR9, kR10, kR11, kR12}},
    // Departure: -z- keeps z < 0, so the triangle reaching z = 1 goes.
    TableRow{"ZMinus", {"-z-"}, "", 5, 1, 1,
             {kM, kE1, kE2, kE3, kE4, kE5, kT6, kQ7, kR9, kR10, kR11, kR12}}),
    [](const auto& row) { return row.param.name; });
// clang-format on

TEST(SplitRun, InversionMarkerGoesWithItsReference) {
  TempFolder folder;
  CopyFixture("invertnext_goes_with_reference.dat", folder / "in.dat");
  ProgramResult result = RunHalvex(folder.Path(), {"-x+", "-ca", "in.dat", "out.dat"});
  EXPECT_EQ(result.out, Out(kCa + "Precision 0.001\n\n" + LoadReport("in.dat", 11, 0, 0, 1, 0, 4) +
                            SaveReport("out.dat", 4, 0, 0, 0, 0)));
  EXPECT_EQ(ReadFile(folder / "out.dat"),
            CrLf({"0 BFC CERTIFY CCW", "0 BFC INVERTNEXT", "0 BFC INVERTNEXT",
                  "1 16 2 0 0 1 0 0 0 1 0 0 0 1 box.dat"}));
}

std::string Expanded(const std::string& locations, const std::string& notes, int edges,
                     int triangles, int quads) {
  return "\nExpanding subfiles\nLDraw subfiles search locations:\n" + locations + "\n" + notes +
         InlinedReport(edges, 0, triangles, quads) + "\n";
}

TEST(SplitRun, NormalisingSaveWithCwAndCcwSubfiles) {
  TempFolder folder;
  CopyFixture("normalise_cw_ccw_subfiles", folder.Path() / "lib");
  ProgramResult result = RunHalvex(folder.Path(), {"-s", "-x+", "lib/in.dat", "out.dat"});
  EXPECT_EQ(result.out, Out("Precision 0.001\n\n" + LoadReport("lib/in.dat", 6, 0, 0, 1, 0, 3) +
                            Expanded("lib/, lib/p\\, lib/s\\", "", 0, 1, 1) +
                            SaveReport("out.dat", 6, 0, 0, 2, 1)));
  EXPECT_EQ(result.exitCode, 0);
  // Only the first CERTIFY line stays; the CW subfile's triangle is reversed;
  // the marker before the missing reference is written and reverses nothing.
  EXPECT_EQ(
      ReadFile(folder / "out.dat"),
      CrLf({"0 BFC CERTIFY CCW", "0 BFC INVERTNEXT", "1 16 1 0 0 1 0 0 0 1 0 0 0 1 missing.dat",
            "3 16 1 0 0 2 0 0 1 1 0", "3 16 1 1 0 2 0 0 1 0 0", "4 16 1 0 0 2 0 0 2 1 0 1 1 0"}));
}

TEST(SplitRun, MirroredInvertedAndNestedReferences) {
  TempFolder folder;
  CopyFixture("mirror_invert_nested", folder.Path() / "m");
  ProgramResult result = RunHalvex(folder.Path(), {"-s", "-x++", "-100", "m\\in.dat", "out.dat"});
  EXPECT_EQ(result.out, Out("Precision 0.001\n\n" + LoadReport("m\\in.dat", 8, 0, 0, 0, 0, 6) +
                            Expanded("m\\, m\\p\\, m\\s\\", "", 1, 6, 0) +
                            SaveReport("out.dat", 7, 1, 0, 6, 0)));
  // In order: plain, mirror (reversed), mirror + INVERTNEXT (not), INVERTNEXT
  // (reversed), then mid.dat's edge line, the hex-coloured copy, and last the
  // triangle nested in mid.dat: two mirrors, not reversed, colour 4 passed down.
  EXPECT_EQ(ReadFile(folder / "out.dat"),
            CrLf({"3 16 11 0 0 12 0 0 11 1 0", "3 16 19 1 0 18 0 0 19 0 0",
                  "3 16 29 0 0 28 0 0 29 1 0", "3 16 41 1 0 42 0 0 41 0 0", "2 24 50 0 0 49 0 0",
                  "3 0x2FF0000 61 0 0 62 0 0 61 1 0", "3 4 51 0 0 52 0 0 51 1 0"}));
}

TEST(SplitRun, CaseInsensitiveAndBackslashNames) {
  TempFolder folder;
  CopyFixture("case_insensitive_backslash_names", folder.Path() / "w");
  ProgramResult result =
      RunHalvex(folder.Path() / "w", {"-s", "-l", "lib", "-x+", "In.Dat", "out.dat"});
  EXPECT_EQ(result.out,
            Out("Precision 0.001\n\n" + LoadReport("In.Dat", 2, 0, 0, 0, 0, 2) +
                Expanded(".\\, .\\p\\, .\\s\\, lib\\p\\, lib\\parts\\, lib\\parts\\s\\, "
                         "lib\\Unofficial\\p\\, lib\\Unofficial\\parts\\, "
                         "lib\\Unofficial\\parts\\s\\",
                         "", 2, 0, 0) +
                SaveReport("out.dat", 2, 2, 0, 0, 0)));
  EXPECT_EQ(ReadFile(folder / "w/out.dat"), CrLf({"2 24 1 0 0 2 0 0", "2 24 2 0 0 2 1 0"}));
}

TEST(SplitRun, SelfReferenceEnds) {
  TempFolder folder;
  CopyFixture("self_reference.dat", folder / "self_reference.dat");
  ProgramResult result = RunHalvex(folder.Path(), {"-s", "-x+", "self_reference.dat", "out.dat"});
  EXPECT_EQ(
      result.out,
      Out("Precision 0.001\n\n" + LoadReport("self_reference.dat", 3, 1, 0, 0, 0, 1) +
          Expanded(".\\, .\\p\\, .\\s\\", "Circular reference to self_reference.dat\n", 1, 0, 0) +
          SaveReport("out.dat", 4, 2, 0, 0, 0)));
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(ReadFile(folder / "out.dat"),
            CrLf({"0 refers to itself", "2 24 0 0 0 1 0 0",
                  "1 16 2 0 0 1 0 0 0 1 0 0 0 1 self_reference.dat", "2 24 1 0 0 2 0 0"}));
}

// File errors: exit code 2, nothing written, no temporary file left behind.
class FileErrors : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(folder_ / "in.dat", "2 24 -1 0 0 -2 0 0\n2 24 1 0 0 2 0 0\n");
    WriteFile(folder_ / "out.dat", "old\n");
  }
  std::string Loaded() const {
    return "Precision 0.001\n\n" + LoadReport("in.dat", 2, 2, 0, 0, 0, 0);
  }
  void ExpectUntouched() {
    EXPECT_EQ(ReadFile(folder_ / "out.dat"), "old\n");
    EXPECT_EQ(FolderEntries(folder_.Path()), (Lines{"in.dat", "out.dat"}));
  }
  TempFolder folder_;
};

TEST_F(FileErrors, InputNotFound) {
  ProgramResult result = RunHalvex(folder_.Path(), {"-x+", "none.dat", "out.dat"});
  EXPECT_EQ(result.out, Out("Precision 0.001\n\n\nLoading none.dat\nnone.dat not found\n"));
  EXPECT_EQ(result.exitCode, 2);
  ExpectUntouched();
}

TEST_F(FileErrors, SplitterNotFound) {
  ProgramResult result = RunHalvex(folder_.Path(), {"-x+", "in.dat", "split.dat", "out.dat"});
  EXPECT_EQ(result.out, Out(Loaded() + "\nLoading split.dat\nsplit.dat not found\n"));
  EXPECT_EQ(result.exitCode, 2);
  ExpectUntouched();
}

TEST_F(FileErrors, MissingFolderCannotBeCreated) {
  ProgramResult result = RunHalvex(folder_.Path(), {"-x+", "in.dat", "no/out.dat"});
  EXPECT_EQ(result.out, Out(Loaded() + "no/out.dat Can't create\n"));
  EXPECT_EQ(result.exitCode, 2);
  ExpectUntouched();
}

TEST_F(FileErrors, FolderAsOutfileCannotBeCreated) {
  fs::create_directory(folder_ / "dir");
  ProgramResult result = RunHalvex(folder_.Path(), {"-x+", "in.dat", "dir"});
  EXPECT_EQ(result.out, Out(Loaded() + "dir Can't create\n"));
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_TRUE(fs::is_empty(folder_ / "dir"));
}

TEST_F(FileErrors, FullDeviceCannotBeWritten) {
  ProgramResult result = RunHalvex(folder_.Path(), {"-x+", "in.dat", "/dev/full"});
  EXPECT_EQ(result.out, Out(Loaded() + "/dev/full Can't write\n"));
  EXPECT_EQ(result.exitCode, 2);
  ExpectUntouched();
}

// Departure: the output replaces its target in one step.
class AtomicReplacement : public FileErrors {
 protected:
  std::string Saved(const std::string& name) const {
    return Out(Loaded() + SaveReport(name, 1, 1, 0, 0, 0));
  }
  const std::string kKept = CrLf({"2 24 1 0 0 2 0 0"});
};

TEST_F(AtomicReplacement, OutfileMayBeInfile) {
  ProgramResult result = RunHalvex(folder_.Path(), {"-x+", "in.dat", "in.dat"});
  EXPECT_EQ(result.out, Saved("in.dat"));
  EXPECT_EQ(ReadFile(folder_ / "in.dat"), kKept);
  EXPECT_EQ(FolderEntries(folder_.Path()), (Lines{"in.dat", "out.dat"}));
}

TEST_F(AtomicReplacement, SymbolicLinkStaysAndItsTargetIsReplaced) {
  WriteFile(folder_ / "target/real.dat", "old\n");
  fs::create_symlink("target/real.dat", folder_ / "link.dat");
  ProgramResult result = RunHalvex(folder_.Path(), {"-x+", "in.dat", "link.dat"});
  EXPECT_EQ(result.out, Saved("link.dat"));
  EXPECT_TRUE(fs::is_symlink(folder_ / "link.dat"));
  EXPECT_EQ(ReadFile(folder_ / "target/real.dat"), kKept);
  EXPECT_EQ(FolderEntries(folder_ / "target"), (Lines{"real.dat"}));
}

TEST_F(AtomicReplacement, PermissionBitsAreKept) {
  fs::permissions(folder_ / "out.dat", fs::perms::owner_read | fs::perms::owner_write |
                                           fs::perms::group_read | fs::perms::others_exec);
  ProgramResult result = RunHalvex(folder_.Path(), {"-x+", "in.dat", "out.dat"});
  EXPECT_EQ(result.out, Saved("out.dat"));
  EXPECT_EQ(ReadFile(folder_ / "out.dat"), kKept);
  struct stat info;
  ASSERT_EQ(::stat((folder_ / "out.dat").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0641u);
  EXPECT_EQ(FolderEntries(folder_.Path()), (Lines{"in.dat", "out.dat"}));
}

}  // namespace
}  // namespace halvex::testing
