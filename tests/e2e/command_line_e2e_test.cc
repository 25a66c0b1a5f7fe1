// The command line as the user meets it: the built program's whole standard
// output and exit code.
#include <gtest/gtest.h>

#include "e2e/run_program.h"

namespace halvex::testing {
namespace {

using Args = std::vector<std::string>;

struct FailureRow {
  const char* name;
  Args args;
  std::string printed;  // Between the banner and the usage.
};
void PrintTo(const FailureRow& row, std::ostream* os) { *os << row.name; }

class CommandLineFailure : public ::testing::TestWithParam<FailureRow> {};

TEST_P(CommandLineFailure, PrintsUsageAndExitsWith1) {
  TempFolder folder;
  ProgramResult result = RunHalvex(folder.Path(), GetParam().args);
  EXPECT_EQ(result.out,
            std::string(kBanner) + GetParam().printed + std::string(kUsage) + std::string(kPrompt));
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(fs::is_empty(folder.Path()));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(E2e, CommandLineFailure, ::testing::Values(
    FailureRow{"NoArguments", {}, ""},
    FailureRow{"TwoArguments", {"in.dat", "out.dat"}, ""},
    FailureRow{"UpperCaseAxis", {"-X+", "in.dat", "out.dat"}, ""},
    FailureRow{"UnknownOption", {"-q", "in.dat", "out.dat"}, ""},
    FailureRow{"BareD", {"-d", "in.dat", "out.dat"}, ""},
    FailureRow{"CThenX", {"-cx", "in.dat", "out.dat"}, ""},
    FailureRow{"AxisDigitAsFourth", {"-x+5", "in.dat", "out.dat"}, ""},
    FailureRow{"EarlierMessagesStay", {"-dn", "-ca", "-z*", "in.dat", "out.dat"},
               "Elements not across or in splitter plane deleted\n"
               "Cut elements by splitter plane\n"},
    FailureRow{"OptionsOnly", {"-x+", "-y+", "-z+"}, "Wrong number of arguments\n"},
    FailureRow{"FourFiles", {"-x+", "a", "b", "c", "d"}, "Wrong number of arguments\n"},
    FailureRow{"AxisValueTakesInfile", {"-x++", "in.dat", "out.dat"},
               "Wrong number of arguments\n"},
    FailureRow{"NoSplit", {"-s", "-c", "in.dat", "out.dat"}, "No split specified\n"},
    FailureRow{"NegativePrecision", {"-d0", "-p", "-1", "-x+", "in.dat", "out.dat"},
               "No elements deleted, only snaps to splitter plane\nInvalid precision -1\n"},
    FailureRow{"InfinitePrecision", {"-p", "inf", "-x+", "in.dat", "out.dat"},
               "Invalid precision inf\n"}),
    [](const auto& row) { return row.param.name; });
// clang-format on

// Valid command lines with no input file: the run gets as far as loading it.
struct ValidRow {
  const char* name;
  Args args;
  std::string printed;  // Between the banner and the load report.
  std::string inFile;
};
void PrintTo(const ValidRow& row, std::ostream* os) { *os << row.name; }

class ValidCommandLine : public ::testing::TestWithParam<ValidRow> {};

TEST_P(ValidCommandLine, PrintsMessagesAndPrecisionThenLoads) {
  TempFolder folder;
  ProgramResult result = RunHalvex(folder.Path(), GetParam().args);
  const std::string& in = GetParam().inFile;
  EXPECT_EQ(result.out, std::string(kBanner) + GetParam().printed + "\nLoading " + in + "\n" + in +
                            " not found\n" + std::string(kPrompt));
  EXPECT_EQ(result.exitCode, 2);
}

const std::string kPrecision = "Precision 0.001\n\n";

// clang-format off
INSTANTIATE_TEST_SUITE_P(E2e, ValidCommandLine, ::testing::Values(
    ValidRow{"MessagesInOrder",
             {"-d0", "-dn", "-c", "-di", "-dax", "-v", "-cab", "-inv", "-x+", "in.dat", "out.dat"},
             "No elements deleted, only snaps to splitter plane\n"
             "Elements not across or in splitter plane deleted\n"
             "Elements completely in splitter plane deleted\n"
             "Elements across splitter plane deleted\n"
             "Cut elements by splitter plane\n" + kPrecision, "in.dat"},
    ValidRow{"PrecisionValue", {"-p", "0.01", "-x+", "in.dat", "out.dat"},
             "Precision 0.01\n\n", "in.dat"},
    ValidRow{"PrecisionExponent", {"-p", "0.00001", "-x+", "in.dat", "out.dat"},
             "Precision 1e-005\n\n", "in.dat"},
    ValidRow{"PrecisionLargeExponent", {"-p", "2500000", "-x+", "in.dat", "out.dat"},
             "Precision 2.5e+006\n\n", "in.dat"},
    ValidRow{"PrecisionRepeated", {"-p", "1", "-p", "0.5", "-x+", "in.dat", "out.dat"},
             "Precision 0.5\n\n", "in.dat"},
    ValidRow{"PrecisionNotANumber", {"-p", "x", "-x+", "in.dat", "out.dat"}, kPrecision, "in.dat"},
    ValidRow{"PrecisionZero", {"-p", "0", "-x+", "in.dat", "out.dat"}, "Precision 0\n\n", "in.dat"},
    ValidRow{"SplitterFileAlone", {"in.dat", "split.dat", "out.dat"}, kPrecision, "in.dat"},
    ValidRow{"AxisValueTakesNextArgument", {"-x++5", "in.dat", "a.dat", "out.dat"}, kPrecision,
             "a.dat"},
    ValidRow{"AxisValueMayBeginWithMinus", {"-y--", "-5", "in.dat", "out.dat"}, kPrecision,
             "in.dat"}),
    [](const auto& row) { return row.param.name; });
// clang-format on

// With -s the search locations are printed: three from the input file's
// folder, six per -l, each as built.
struct SearchRow {
  const char* name;
  Args args;
  std::string inFile;
  std::string locations;
};
void PrintTo(const SearchRow& row, std::ostream* os) { *os << row.name; }

class SearchLocations : public ::testing::TestWithParam<SearchRow> {};

TEST_P(SearchLocations, PrintedWithS) {
  TempFolder folder;
  WriteFile(folder / "sub/in.dat", "2 24 1 0 0 2 0 0\n");
  ProgramResult result = RunHalvex(folder.Path(), GetParam().args);
  EXPECT_EQ(result.out, std::string(kBanner) + "Precision 0.001\n\n" +
                            LoadReport(GetParam().inFile, 1, 1, 0, 0, 0, 0) +
                            "\nExpanding subfiles\nLDraw subfiles search locations:\n" +
                            GetParam().locations + "\n" + InlinedReport(0, 0, 0, 0) + "\n" +
                            SaveReport("out.dat", 1, 1, 0, 0, 0) + std::string(kPrompt));
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(ReadFile(folder / "out.dat"), "2 24 1 0 0 2 0 0\r\n");
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(E2e, SearchLocations, ::testing::Values(
    SearchRow{"SlashFolder", {"-s", "-x+", "sub/in.dat", "out.dat"}, "sub/in.dat",
              "sub/, sub/p\\, sub/s\\"},
    SearchRow{"BackslashFolderAndLibraries",
              {"-s", "-l", "lib", "-l", "../lib2/", "-x+", "sub\\in.dat", "out.dat"}, "sub\\in.dat",
              "sub\\, sub\\p\\, sub\\s\\, lib\\p\\, lib\\parts\\, lib\\parts\\s\\, "
              "lib\\Unofficial\\p\\, lib\\Unofficial\\parts\\, lib\\Unofficial\\parts\\s\\, "
              "../lib2/p\\, ../lib2/parts\\, ../lib2/parts\\s\\, ../lib2/Unofficial\\p\\, "
              "../lib2/Unofficial\\parts\\, ../lib2/Unofficial\\parts\\s\\"}),
    [](const auto& row) { return row.param.name; });
// clang-format on

TEST(SearchLocations, BaseFolderIsTheInputsAlsoWithASplitterFile) {
  TempFolder folder;
  WriteFile(folder / "sub/in.dat", "2 24 1 0 0 2 0 0\n");
  WriteFile(folder / "other/split.dat", "3 16 0 0 0 0 0 10 0 10 0\n");
  ProgramResult result = RunHalvex(folder.Path(), {"-s", "sub/in.dat", "other/split.dat", "o"});
  EXPECT_EQ(result.out, std::string(kBanner) + "Precision 0.001\n\n" +
                            LoadReport("sub/in.dat", 1, 1, 0, 0, 0, 0) +
                            LoadReport("other/split.dat", 1, 0, 0, 1, 0, 0) +
                            "\nExpanding subfiles\nLDraw subfiles search locations:\n"
                            "sub/, sub/p\\, sub/s\\\n" +
                            InlinedReport(0, 0, 0, 0) + "\n" + SaveReport("o", 1, 1, 0, 0, 0) +
                            std::string(kPrompt));
}

TEST(SearchLocations, NotPrintedWithoutS) {
  TempFolder folder;
  WriteFile(folder / "in.dat", "2 24 1 0 0 2 0 0\n");
  ProgramResult result = RunHalvex(folder.Path(), {"-l", "lib", "-x+", "in.dat", "out.dat"});
  EXPECT_EQ(result.out, std::string(kBanner) + "Precision 0.001\n\n" +
                            LoadReport("in.dat", 1, 1, 0, 0, 0, 0) +
                            SaveReport("out.dat", 1, 1, 0, 0, 0) + std::string(kPrompt));
  EXPECT_EQ(result.exitCode, 0);
}

}  // namespace
}  // namespace halvex::testing
