// The command line as the user meets it: the built program's whole standard
// output and exit code for each row, run in a folder that holds
// sub/in.dat, one edge line from (1, 2, 3) to (2, 3, 4), and other/split.dat,
// the triangle of -x+.
#include <gtest/gtest.h>

#include "e2e/run_program.h"

namespace halvex::testing {
namespace {

const std::string kUsage =
    "Halvex [options] Infile [SplitterFile] Outfile\n"
    "-p <val>: precision (default 0.001)\n"
    "-x+: split by plane x=0, keep elements x>0\n"
    "-x++ <val>: split by plane x=val, keep elements x>val\n"
    "-x-: split by plane x=0, keep elements x<0\n"
    "-x-- <val>: split by plane x=val, keep elements x<val\n"
    "-y+, -y++, -y-, -y--,  -z+, -z++, -z--: ditto for y or z\n"
    "-da: delete elements across splitter plane\n"
    "-di: delete elements completely In splitter plane\n"
    "-dn: delete elements not in or across splitter plane\n"
    "-d0: no elements deleted, only snaps to splitter plane\n"
    "-i: invert split direction\n"
    "-c: color elements across or along splitter plane\n"
    "-ca: cut elements across splitting plane\n"
    "-v: verify self-symmetry of elements across splitter plane\n"
    "-s: expand subfiles\n"
    "-l \"path\": define ldraw search path\n";
const std::string kDa = "Elements across splitter plane deleted\n";
const std::string kDi = "Elements completely in splitter plane deleted\n";
const std::string kDn = "Elements not across or in splitter plane deleted\n";
const std::string kD0 = "No elements deleted, only snaps to splitter plane\n";
const std::string kCa = "Cut elements by splitter plane\n";
const std::string kWrong = "Wrong number of arguments\n";

std::string Usage(const std::string& printed) { return printed + kUsage; }

std::string Precision(const std::string& value) { return "Precision " + value + "\n\n"; }
const std::string kP = Precision("0.001");

std::string NotFound(const std::string& printed, const std::string& name = "in.dat") {
  return printed + "\nLoading " + name + "\n" + name + " not found\n";
}

std::string Loaded(const std::string& name, int edges, int triangles) {
  return "\nLoading " + name + "\n1 lines in file\n" + std::to_string(edges) +
         " Edge lines\n0 Conditional lines\n" + std::to_string(triangles) +
         " Triangles\n0 Quads\n0 Subfiles\n";
}

// A whole run on the edge line of `name`; `middle` follows its load report.
std::string Ran(bool kept, const std::string& name = "sub/in.dat", const std::string& middle = "") {
  const std::string n = kept ? "1" : "0";
  return kP + Loaded(name, 1, 0) + middle + "\nSaving out.dat\n" + n + " lines in file\n" + n +
         " Edge lines\n0 Conditional lines\n0 Triangles\n0 Quads\n";
}

std::string Expanded(const std::string& locations) {
  return "\nExpanding subfiles\nLDraw subfiles search locations:\n" + locations +
         "\n\nInlined from subfiles:\n0 Edge lines\n0 Conditional lines\n0 Triangles\n0 Quads\n\n";
}

// The six entries of "-l folder", each after ", "; `folder` as the entries
// begin with it.
std::string Library(const std::string& folder) {
  std::string entries;
  for (const char* sub : {"p\\", "parts\\", "parts\\s\\", "Unofficial\\p\\", "Unofficial\\parts\\",
                          "Unofficial\\parts\\s\\"}) {
    entries += ", " + folder + sub;
  }
  return entries;
}

struct Row {
  std::vector<std::string> args;
  int exitCode;
  std::string out;  // Between the banner and the quit prompt.
};

const Row kRows[] = {
    // Failures: earlier messages stay, then the usage.
    {{}, 1, Usage("")},
    {{"in.dat", "out.dat"}, 1, Usage("")},
    {{"-X+", "in.dat", "out.dat"}, 1, Usage("")},
    {{"-q", "in.dat", "out.dat"}, 1, Usage("")},
    {{"-", "in.dat", "out.dat"}, 1, Usage("")},
    {{"-d", "in.dat", "out.dat"}, 1, Usage("")},
    {{"-dx", "in.dat", "out.dat"}, 1, Usage("")},
    {{"-cx", "in.dat", "out.dat"}, 1, Usage("")},
    {{"-x", "in.dat", "out.dat"}, 1, Usage("")},
    {{"-x+5", "in.dat", "out.dat"}, 1, Usage("")},
    {{"-dn", "-ca", "-z*", "in.dat", "out.dat"}, 1, Usage(kDn + kCa)},
    {{"-x+", "-y+", "-z+"}, 1, Usage(kWrong)},
    {{"-x+", "a", "b", "c", "d"}, 1, Usage(kWrong)},
    {{"-x++", "in.dat", "out.dat"}, 1, Usage(kWrong)},
    {{"-s", "-c", "-p"}, 1, Usage(kWrong)},
    {{"-s", "-c", "in.dat", "out.dat"}, 1, Usage("No split specified\n")},
    {{"-d0", "-p", "-1", "-x+", "in.dat", "out.dat"}, 1, Usage(kD0 + "Invalid precision -1\n")},
    {{"-p", "inf", "-x+", "in.dat", "out.dat"}, 1, Usage("Invalid precision inf\n")},
    {{"-p", "nan", "-x+", "in.dat", "out.dat"}, 1, Usage("Invalid precision nan\n")},
    // Accepted, as far as the missing input file: messages in command-line
    // order, characters after the dispatching ones ignored, the precision.
    {{"-d0", "-dn", "-c", "-di", "-dax", "-v", "-cab", "-inv", "-x+", "in.dat", "out.dat"},
     2,
     NotFound(kD0 + kDn + kDi + kDa + kCa + kP)},
    {{"-p", "0.01", "-x+", "in.dat", "out.dat"}, 2, NotFound(Precision("0.01"))},
    {{"-p", "0.00001", "-x+", "in.dat", "out.dat"}, 2, NotFound(Precision("1e-005"))},
    {{"-p", "2500000", "-x+", "in.dat", "out.dat"}, 2, NotFound(Precision("2.5e+006"))},
    {{"-p", "1", "-p", "0.5", "-x+", "in.dat", "out.dat"}, 2, NotFound(Precision("0.5"))},
    {{"-p", "x", "-x+", "in.dat", "out.dat"}, 2, NotFound(kP)},
    {{"-p", "0", "-x+", "in.dat", "out.dat"}, 2, NotFound(Precision("0"))},
    {{"in.dat", "split.dat", "out.dat"}, 2, NotFound(kP)},
    // The value of -x++5 is in.dat, not the 5 inside the option.
    {{"-x++5", "in.dat", "a.dat", "out.dat"}, 2, NotFound(kP, "a.dat")},
    // The first file argument ends the options: -c is the splitter file.
    {{"-x+", "sub/in.dat", "-c", "out.dat"}, 2, NotFound(kP + Loaded("sub/in.dat", 1, 0), "-c")},
    // Which side each axis option keeps, and the values of the long forms:
    // -y+- is the long form with sign "+".
    {{"-x+", "sub/in.dat", "out.dat"}, 0, Ran(true)},
    {{"-x-", "sub/in.dat", "out.dat"}, 0, Ran(false)},
    {{"-y+", "sub/in.dat", "out.dat"}, 0, Ran(true)},
    {{"-y-", "sub/in.dat", "out.dat"}, 0, Ran(false)},
    {{"-z+", "sub/in.dat", "out.dat"}, 0, Ran(true)},
    {{"-z-", "sub/in.dat", "out.dat"}, 0, Ran(false)},
    {{"-x++", "5", "sub/in.dat", "out.dat"}, 0, Ran(false)},
    {{"-x--", "abc", "sub/in.dat", "out.dat"}, 0, Ran(false)},
    {{"-y+-", "-2", "sub/in.dat", "out.dat"}, 0, Ran(true)},
    {{"-z--", "10", "sub/in.dat", "out.dat"}, 0, Ran(true)},
    // Search locations: printed only with -s; the base entries come from the
    // input's folder, also with a splitter file; "-l" adds a separator only
    // where none ends the folder.
    {{"-l", "lib", "-x+", "sub/in.dat", "out.dat"}, 0, Ran(true)},
    {{"-s", "-x+", "sub/in.dat", "out.dat"},
     0,
     Ran(true, "sub/in.dat", Expanded("sub/, sub/p\\, sub/s\\"))},
    {{"-s", "sub/in.dat", "other/split.dat", "out.dat"},
     0,
     Ran(true, "sub/in.dat", Loaded("other/split.dat", 0, 1) + Expanded("sub/, sub/p\\, sub/s\\"))},
    {{"-s", "-l", "lib", "-l", "../lib2/", "-l", "x\\", "-l", "", "-x+", "sub\\in.dat", "out.dat"},
     0,
     Ran(true, "sub\\in.dat",
         Expanded("sub\\, sub\\p\\, sub\\s\\" + Library("lib\\") + Library("../lib2/") +
                  Library("x\\") + Library("")))},
};

TEST(CommandLine, EachRowPrintsItsTextAndEndsWithItsCode) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    TempFolder folder;
    WriteFile(folder / "sub/in.dat", "2 24 1 2 3 2 3 4\n");
    WriteFile(folder / "other/split.dat", "3 16 0 0 0 0 0 10 0 10 0\n");
    ProgramResult result = RunHalvex(folder.Path(), row.args);
    EXPECT_EQ(result.out,
              "Halvex 1.0 - split LDraw files by a plane\n" + row.out + "Press <Enter> to quit\n");
    EXPECT_EQ(result.exitCode, row.exitCode);
    EXPECT_EQ(fs::exists(folder / "out.dat"), row.exitCode == 0);
  }
}

}  // namespace
}  // namespace halvex::testing
