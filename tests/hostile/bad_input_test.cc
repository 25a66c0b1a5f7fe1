// The bad-input and fault table: every row runs the built program on a
// hostile input or in a failing environment and pins its whole console
// output, its exit code, and the output file, which is either the correct
// result or exactly what was there before. Large inputs are generated here,
// in a temporary folder.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "hostile/hostile_support.h"

namespace halvex {
namespace {

using hostile::ReadFile;
using hostile::TempFolder;
using hostile::WriteFile;
using hostile::fs::path;

const std::string kBanner = "Halvex 1.0 - split LDraw files by a plane\n";
const std::string kPrompt = "Press <Enter> to quit\n";
const std::string kAsIs = "\x01 as it was";  // Stands for "the output keeps its old content".
const std::string kAbsent = "\x01 absent";   // Stands for "no output file exists".

std::string Precision(const std::string& value) { return "Precision " + value + "\n\n"; }

std::string LoadReport(const std::string& name, int lines, int edges, int conds, int triangles,
                       int quads, int subfiles) {
  return "\nLoading " + name + "\n" + std::to_string(lines) + " lines in file\n" +
         std::to_string(edges) + " Edge lines\n" + std::to_string(conds) + " Conditional lines\n" +
         std::to_string(triangles) + " Triangles\n" + std::to_string(quads) + " Quads\n" +
         std::to_string(subfiles) + " Subfiles\n";
}

std::string SaveReport(const std::string& name, int lines, int edges, int conds, int triangles,
                       int quads) {
  return "\nSaving " + name + "\n" + std::to_string(lines) + " lines in file\n" +
         std::to_string(edges) + " Edge lines\n" + std::to_string(conds) + " Conditional lines\n" +
         std::to_string(triangles) + " Triangles\n" + std::to_string(quads) + " Quads\n";
}

// The expansion heading for an input in the current folder, and the report.
const std::string kExpanding =
    "\nExpanding subfiles\nLDraw subfiles search locations:\n.\\, .\\p\\, .\\s\\\n";
std::string Inlined(int edges, int conds, int triangles, int quads) {
  return "\nInlined from subfiles:\n" + std::to_string(edges) + " Edge lines\n" +
         std::to_string(conds) + " Conditional lines\n" + std::to_string(triangles) +
         " Triangles\n" + std::to_string(quads) + " Quads\n\n";
}

std::string Lines(const std::vector<std::string>& lines, const std::string& end) {
  std::string text;
  for (const std::string& line : lines) text += line + end;
  return text;
}

std::string Reference(const std::string& position, const std::string& name) {
  return "1 16 " + position + " 1 0 0 0 1 0 0 0 1 " + name;
}

struct Row {
  std::string name;
  // Writes the files of the row into the folder.
  std::function<void(const path&)> prepare;
  std::vector<std::string> args;
  std::string console;
  int exitCode;
  // The file the run writes to, and what it must hold afterwards: a text,
  // kAsIs or kAbsent.
  std::string output;
  std::string expected;
  hostile::ProcessLimits limits = {};
  // Why the row means something only on POSIX systems; it is skipped elsewhere.
  const char* posixOnly = nullptr;
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

// Runs a row and checks everything it pins, and that no temporary file is
// left behind.
void ExpectRun(const Row& row) {
#ifdef _WIN32
  if (row.posixOnly) GTEST_SKIP() << row.posixOnly;
#endif
  TempFolder folder;
  row.prepare(folder.Path());
  const path output = folder / row.output;
  std::optional<std::string> before;
  if (hostile::fs::is_regular_file(output)) before = ReadFile(output);

  hostile::ProgramResult result = hostile::RunHalvex(folder.Path(), row.args, row.limits);

  EXPECT_EQ(result.out, row.console);
  EXPECT_EQ(result.exitCode, row.exitCode);
  if (row.expected == kAbsent) {
    EXPECT_FALSE(hostile::fs::exists(output));
  } else if (row.expected == kAsIs) {
    ASSERT_TRUE(before);
    EXPECT_TRUE(ReadFile(output) == *before) << "output changed";
  } else {
    std::string written = ReadFile(output);
    // Large outputs would flood the failure message: compare sizes first.
    ASSERT_EQ(written.size(), row.expected.size());
    EXPECT_TRUE(written == row.expected) << written.substr(0, 300);
  }
  for (const auto& entry : hostile::fs::recursive_directory_iterator(folder.Path())) {
    EXPECT_FALSE(entry.path().filename().string().starts_with(".halvex-"))
        << "temporary file left: " << entry.path();
  }
}

class BadInput : public ::testing::TestWithParam<Row> {};

TEST_P(BadInput, ClearMessageExitCodeAndOutputCorrectOrUntouched) { ExpectRun(GetParam()); }

// A string literal with the NUL bytes inside it.
template <std::size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

// Files of a row: in.dat with `text`.
std::function<void(const path&)> Input(std::string text) {
  return [text](const path& folder) { WriteFile(folder / "in.dat", text); };
}

const std::string kTriangle = "3 16 0 0 0 1 0 0 0 1 0";
const std::string kEdge = "2 24 1 0 0 2 0 0";

// A successful -x+ run on in.dat, writing out.dat, with the given reports.
std::string SplitConsole(const std::string& load, const std::string& save) {
  return kBanner + Precision("0.001") + load + save + kPrompt;
}

std::vector<Row> Rows() {
  std::vector<Row> rows;
  const std::vector<std::string> split = {"-x+", "in.dat", "out.dat"};
  const std::string notFound =
      kBanner + Precision("0.001") + "\nLoading in.dat\nin.dat not found\n" + kPrompt;
  const std::string goodInput = Lines({kTriangle, kEdge}, "\n");
  const std::string goodLoad = LoadReport("in.dat", 2, 1, 0, 1, 0, 0);

  rows.push_back(
      {"EmptyFile", Input(""), split,
       SplitConsole(LoadReport("in.dat", 0, 0, 0, 0, 0, 0), SaveReport("out.dat", 0, 0, 0, 0, 0)),
       0, "out.dat", ""});

  // Lines that do not begin with a number make no element; a NUL inside a
  // number ends it.
  rows.push_back(
      {"BinaryGarbageWithNuls",
       Input(Bytes("\0\x01\xfe\xff garbage\n") + kTriangle + Bytes("\0trailing\n") +
             Bytes("\0\0\0\n\xff\xfe more\n") + kEdge + "\n" + Bytes("2\0 24 5 0 0 6 0 0\n")),
       split,
       SplitConsole(LoadReport("in.dat", 3, 2, 0, 1, 0, 0), SaveReport("out.dat", 3, 2, 0, 1, 0)),
       0, "out.dat", Lines({kTriangle, kEdge, "2 24 5 0 0 6 0 0"}, "\r\n")});

  rows.push_back(
      {"CrOnlyLineEnds", Input(Lines({"0 Old Mac file", kTriangle, kEdge}, "\r")), split,
       SplitConsole(LoadReport("in.dat", 3, 1, 0, 1, 0, 0), SaveReport("out.dat", 3, 1, 0, 1, 0)),
       0, "out.dat", Lines({"0 Old Mac file", kTriangle, kEdge}, "\r\n")});

  // Numbers are read as "%lf" reads them and written as "%g" writes them. A
  // point that is not finite has no distance to the plane: it is neither
  // moved nor counted on a side.
  rows.push_back(
      {"NonFiniteAndOddNumbers",
       Input(Lines({"2 24 1e999 0 0 1 0 0", "2 24 -1e999 1 0 nan 1 0", "2 24 inf 2 0 -0 2 0",
                    "3 16 0x1p3 0 0 -0 0 0 1 1 0"},
                   "\n")),
       split,
       SplitConsole(LoadReport("in.dat", 4, 3, 0, 1, 0, 0), SaveReport("out.dat", 4, 3, 0, 1, 0)),
       0, "out.dat",
       Lines({"2 24 inf 0 0 1 0 0", "2 24 -inf 1 0 nan 1 0", "2 24 inf 2 0 -0 2 0",
              "3 16 8 0 0 -0 0 0 1 1 0"},
             "\r\n")});

  // Colours are read as "%d" reads them: 99999999999 wraps to 32 bits; a
  // hexadecimal token keeps its spelling, an empty one included.
  rows.push_back(
      {"OddColours",
       Input(Lines({"2 -1 1 0 0 2 0 0", "2 99999999999 1 1 0 2 1 0", "2 0x 1 2 0 2 2 0"}, "\n")),
       split,
       SplitConsole(LoadReport("in.dat", 3, 3, 0, 0, 0, 0), SaveReport("out.dat", 3, 3, 0, 0, 0)),
       0, "out.dat",
       Lines({"2 -1 1 0 0 2 0 0", "2 1215752191 1 1 0 2 1 0", "2 0x 1 2 0 2 2 0"}, "\r\n")});

  // n1.dat places n2.dat one unit further along x, and so on to n1000.dat.
  // The first 64 levels are inlined; the reference to n65.dat stays, placed
  // at x = 64.
  rows.push_back({"ThousandNestedReferences",
                  [](const path& folder) {
                    WriteFile(folder / "in.dat", Reference("0 0 0", "n1.dat") + "\n");
                    for (int k = 1; k < 1000; ++k) {
                      WriteFile(folder / ("n" + std::to_string(k) + ".dat"),
                                "0 comment\n" +
                                    Reference("1 0 0", "n" + std::to_string(k + 1) + ".dat") +
                                    "\n");
                    }
                    WriteFile(folder / "n1000.dat", kTriangle + "\n");
                  },
                  {"-s", "-x+", "in.dat", "out.dat"},
                  kBanner + Precision("0.001") + LoadReport("in.dat", 1, 0, 0, 0, 0, 1) +
                      kExpanding + "Nesting too deep at n65.dat\n" + Inlined(0, 0, 0, 0) +
                      SaveReport("out.dat", 1, 0, 0, 0, 0) + kPrompt,
                  0,
                  "out.dat",
                  Reference("64 0 0", "n65.dat") + "\r\n"});

  rows.push_back({"InputIsAFolder",
                  [](const path& folder) { hostile::fs::create_directory(folder / "in.dat"); },
                  split, notFound, 2, "out.dat", kAbsent});

  // Opening a pipe would wait for a writer for ever.
  rows.push_back({"InputIsAPipe",
                  [](const path& folder) {
#ifdef _WIN32
                    static_cast<void>(folder);
#else
                    ::mkfifo((folder / "in.dat").c_str(), 0644);
#endif
                  },
                  split, notFound, 2, "out.dat", kAbsent, {}, "needs a FIFO"});

  // Root reads any file whatever its permissions: the run drops to "nobody".
  rows.push_back({"UnreadableInput",
                  [](const path& folder) {
                    WriteFile(folder / "in.dat", kTriangle + "\n");
                    hostile::fs::permissions(folder / "in.dat", hostile::fs::perms::none);
                    hostile::fs::permissions(folder, hostile::fs::perms::all);
                  },
                  split,
                  notFound,
                  2,
                  "out.dat",
                  kAbsent,
                  {.userId = hostile::RunningAsRoot() ? 65534 : -1},
                  "needs POSIX permissions and a change of user"});

  rows.push_back(
      {"OutputIntoMissingFolder",
       Input(goodInput),
       {"-x+", "in.dat", "missing/out.dat"},
       kBanner + Precision("0.001") + goodLoad + "missing/out.dat Can't create\n" + kPrompt,
       2,
       "missing",
       kAbsent});

  rows.push_back({"OutputIsAFolder",
                  [goodInput](const path& folder) {
                    WriteFile(folder / "in.dat", goodInput);
                    hostile::fs::create_directory(folder / "out.dat");
                    WriteFile(folder / "out.dat" / "keep.dat", "0 kept\n");
                  },
                  split,
                  kBanner + Precision("0.001") + goodLoad + "out.dat Can't create\n" + kPrompt, 2,
                  "out.dat/keep.dat", kAsIs});

  rows.push_back({"OutputNameEmpty",
                  Input(goodInput),
                  {"-x+", "in.dat", ""},
                  kBanner + Precision("0.001") + goodLoad + " Can't create\n" + kPrompt,
                  2,
                  "in.dat",
                  kAsIs});

  rows.push_back({"OutputIsALoopOfLinks",
                  [goodInput](const path& folder) {
                    WriteFile(folder / "in.dat", goodInput);
                    hostile::fs::create_symlink("b.dat", folder / "out.dat");
                    hostile::fs::create_symlink("out.dat", folder / "b.dat");
                  },
                  split,
                  kBanner + Precision("0.001") + goodLoad + "out.dat Can't create\n" + kPrompt,
                  2,
                  "in.dat",
                  kAsIs,
                  {},
                  "needs symbolic links"});

  rows.push_back({"OutputIsDevFull",
                  Input(goodInput),
                  {"-x+", "in.dat", "/dev/full"},
                  kBanner + Precision("0.001") + goodLoad + "/dev/full Can't write\n" + kPrompt,
                  2,
                  "in.dat",
                  kAsIs,
                  {},
                  "needs /dev/full"});

  // The edge at x from 1 to 2 is kept, the one at -2 to -1 removed.
  rows.push_back(
      {"OutputIsInput",
       Input(Lines({kEdge, "2 24 -1 0 0 -2 0 0"}, "\n")),
       {"-x+", "in.dat", "in.dat"},
       SplitConsole(LoadReport("in.dat", 2, 2, 0, 0, 0, 0), SaveReport("in.dat", 1, 1, 0, 0, 0)),
       0,
       "in.dat",
       kEdge + "\r\n"});

  // Writing in place stops at a 4 KB file size limit: the input stays whole.
  std::string manyEdges;
  for (int k = 0; k < 1000; ++k) manyEdges += kEdge + "\n";
  rows.push_back({"OutputIsInputAndWriteFails",
                  Input(manyEdges),
                  {"-x+", "in.dat", "in.dat"},
                  kBanner + Precision("0.001") + LoadReport("in.dat", 1000, 1000, 0, 0, 0, 0) +
                      "in.dat Can't write\n" + kPrompt,
                  2,
                  "in.dat",
                  kAsIs,
                  {.fileSize = 4096},
                  "needs RLIMIT_FSIZE"});

  // A polygon whose corners coincide or lie on a line has no plane: every
  // element lies "in" it, is kept, and is not moved.
  rows.push_back({"SplitterOfDegeneratePolygons",
                  [goodInput](const path& folder) {
                    WriteFile(folder / "in.dat", goodInput + "4 16 -1 -1 0 1 -1 0 1 1 0 -1 1 0\n");
                    WriteFile(folder / "split.dat",
                              Lines({"3 16 1 1 1 1 1 1 1 1 1", "4 16 0 0 0 1 1 1 2 2 2 3 3 3",
                                     "3 16 0 0 0 0 0 0 5 0 0"},
                                    "\n"));
                  },
                  {"-ca", "in.dat", "split.dat", "out.dat"},
                  kBanner + "Cut elements by splitter plane\n" + Precision("0.001") +
                      LoadReport("in.dat", 3, 1, 0, 1, 1, 0) +
                      LoadReport("split.dat", 3, 0, 0, 2, 1, 0) +
                      SaveReport("out.dat", 3, 1, 0, 1, 1) + kPrompt,
                  0,
                  "out.dat",
                  Lines({kTriangle, kEdge, "4 16 -1 -1 0 1 -1 0 1 1 0 -1 1 0"}, "\r\n")});

  // The edge lies 0.0005 to 1 on the removed side of x = 0. With no
  // tolerance it goes; with a tolerance beyond every distance both ends are
  // moved onto the plane and it stays.
  const std::string nearEdge = "2 24 -0.0005 0 0 -1 0 0\n";
  for (auto [value, printed, kept] :
       {std::tuple{"0", "0", false}, std::tuple{"1e-300", "1e-300", false},
        std::tuple{"1e300", "1e+300", true}}) {
    rows.push_back({std::string("Precision") + (kept              ? "Huge"
                                                : value[0] == '0' ? "Zero"
                                                                  : "Tiny"),
                    Input(nearEdge),
                    {"-p", value, "-x+", "in.dat", "out.dat"},
                    kBanner + Precision(printed) + LoadReport("in.dat", 1, 1, 0, 0, 0, 0) +
                        SaveReport("out.dat", kept ? 1 : 0, kept ? 1 : 0, 0, 0, 0) + kPrompt,
                    0,
                    "out.dat",
                    kept ? "2 24 0 0 0 0 0 0\r\n" : ""});
  }
  return rows;
}

INSTANTIATE_TEST_SUITE_P(Table, BadInput, ::testing::ValuesIn(Rows()),
                         [](const ::testing::TestParamInfo<Row>& param) {
                           return param.param.name;
                         });

// The large rows build their inputs only when they run.

// A 50 MB reference line whose name has 25 million components, expanded: the
// name is looked up, found nowhere, and written back whole.
TEST(BadInputLarge, FiftyMegabyteLine) {
  std::string name(50'000'000, '\\');
  for (std::size_t k = 0; k < name.size(); k += 2) name[k] = 'a';
  name += "x.dat";
  const std::string line = Reference("0 0 0", name);
  ExpectRun({"",
             Input(line + "\n" + kEdge),
             {"-s", "-x+", "in.dat", "out.dat"},
             kBanner + Precision("0.001") + LoadReport("in.dat", 2, 1, 0, 0, 0, 1) + kExpanding +
                 Inlined(0, 0, 0, 0) + SaveReport("out.dat", 2, 1, 0, 0, 0) + kPrompt,
             0,
             "out.dat",
             Lines({line, kEdge}, "\r\n")});
}

// in.dat references f1.dat 100 times, f1.dat references f2.dat 100 times, and
// so on to f4.dat with 1,000 edges: 100 billion elements. The expansion stops
// at its budget of 20 million elements, about 4 GB, without writing anything.
// AddressSanitizer multiplies that memory and time; its build relies on the
// unit test of the budget.
TEST(BadInputLarge, FanOutStopsAtTheElementBudget) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "fills 4 GB; the budget logic is tested with a small budget";
#endif
  auto references = [](int to) {
    std::string text;
    for (int k = 0; k < 100; ++k) {
      text += Reference(std::to_string(k) + " 0 0", "f" + std::to_string(to) + ".dat") + "\n";
    }
    return text;
  };
  std::string edges;
  for (int k = 0; k < 1000; ++k) edges += kEdge + "\n";
  ExpectRun({"",
             [&](const path& folder) {
               WriteFile(folder / "in.dat", references(1));
               for (int k = 1; k < 4; ++k) {
                 WriteFile(folder / ("f" + std::to_string(k) + ".dat"), references(k + 1));
               }
               WriteFile(folder / "f4.dat", edges);
             },
             {"-s", "-x+", "in.dat", "out.dat"},
             kBanner + Precision("0.001") + LoadReport("in.dat", 100, 0, 0, 0, 0, 100) +
                 kExpanding + "Expansion stopped: more than 20000000 elements\n" + kPrompt,
             2,
             "out.dat",
             kAbsent});
}

}  // namespace
}  // namespace halvex
