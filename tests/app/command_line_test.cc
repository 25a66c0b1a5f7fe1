#include "app/command_line.h"

#include <gtest/gtest.h>

#include <sstream>

namespace halvex {
namespace {

TEST(CommandLine, RecordsEachAxisPlaneAsAxisSideAndValue) {
  ParsedCommandLine parsed = ParseCommandLine(
      {"-x+", "-y--", "-2.5", "-z++", "1e3", "-x-", "-y++", ".5", "in.dat", "out.dat"});
  ASSERT_TRUE(parsed.command);
  const std::vector<AxisPlane>& planes = parsed.command->axisPlanes;
  ASSERT_EQ(planes.size(), 5u);
  const struct {
    Axis axis;
    bool keepAbove;
    double value;
  } expected[] = {{Axis::kX, true, 0},
                  {Axis::kY, false, -2.5},
                  {Axis::kZ, true, 1000},
                  {Axis::kX, false, 0},
                  {Axis::kY, true, 0.5}};
  for (std::size_t k = 0; k < planes.size(); ++k) {
    EXPECT_EQ(planes[k].axis, expected[k].axis) << k;
    EXPECT_EQ(planes[k].keepAbove, expected[k].keepAbove) << k;
    EXPECT_EQ(planes[k].value, expected[k].value) << k;
  }
  EXPECT_EQ(parsed.command->inFile, "in.dat");
  EXPECT_EQ(parsed.command->precision, kDefaultPrecision);
}

// A plane value or a precision must be one number as a whole: a decimal
// comma, a letter for a digit or a word used to pass as 0 or as the number in
// front. Refused, the options met before keep their messages.
TEST(CommandLine, RefusesValuesThatAreNotWhollyANumber) {
  const struct {
    std::vector<std::string> args;
    const char* message;
  } rows[] = {
      {{"-x++", "0,5", "in.dat", "out.dat"}, "Invalid plane value 0,5"},
      {{"-da", "-x++", "abc", "in.dat", "out.dat"}, "Invalid plane value abc"},
      {{"-z--", "1O", "in.dat", "out.dat"}, "Invalid plane value 1O"},
      {{"-y++", "inf", "in.dat", "out.dat"}, "Invalid plane value inf"},
      {{"-x++", "in.dat", "out.dat"}, "Invalid plane value in.dat"},
      {{"-p", "abc", "-x+", "in.dat", "out.dat"}, "Invalid precision abc"},
      {{"-p", "0.01x", "-x+", "in.dat", "out.dat"}, "Invalid precision 0.01x"},
      {{"-p", " 1", "-x+", "in.dat", "out.dat"}, "Invalid precision  1"},
  };
  for (const auto& row : rows) {
    ParsedCommandLine parsed = ParseCommandLine(row.args);
    EXPECT_FALSE(parsed.command) << row.message;
    EXPECT_EQ(parsed.error.message, row.message);
    EXPECT_EQ(parsed.error.reason, "");
  }
  ParsedCommandLine parsed = ParseCommandLine({"-da", "-x++", "abc", "in.dat", "out.dat"});
  EXPECT_EQ(parsed.optionMessages,
            std::vector<std::string>{"Elements across splitter plane deleted"});

  ParsedCommandLine valid = ParseCommandLine({"-p", "+2e-2", "-x--", "-5", "in.dat", "out.dat"});
  ASSERT_TRUE(valid.command);
  EXPECT_EQ(valid.command->precision, 0.02);
  EXPECT_EQ(valid.command->axisPlanes[0].value, -5);
}

// Each refusal names its problem: the designed line for standard output
// where there is one, and a reason for standard error where that line does
// not say what is wrong.
TEST(CommandLine, NamesWhatIsWrong) {
  const struct {
    std::vector<std::string> args;
    const char* message;
    const char* reason;
  } rows[] = {
      {{"--bogus", "in.dat", "out.dat"}, "", "unknown option --bogus"},
      {{"-X+", "in.dat", "out.dat"}, "", "unknown option -X+"},
      {{"-x+", "-dq", "in.dat", "out.dat"}, "", "unknown option -dq"},
      {{"-x+", "in.dat"}, "", "missing Outfile"},
      {{"-x+", "-y+", "-z+"}, "Wrong number of arguments", "missing Infile and Outfile"},
      {{"-x+", "a.dat", "b.dat", "c.dat", "d.dat"},
       "Wrong number of arguments",
       "too many file names: 4, at most 3"},
      {{"-x+", "-s", "-l"}, "Wrong number of arguments", "missing value after -l"},
      {{"in.dat", "out.dat"}, "", "No split specified"},
      {{"-s", "in.dat", "out.dat"}, "No split specified", ""},
      {{}, "", "missing Infile and Outfile"},
  };
  for (const auto& row : rows) {
    ParsedCommandLine parsed = ParseCommandLine(row.args);
    EXPECT_FALSE(parsed.command) << row.reason;
    EXPECT_EQ(parsed.error.message, row.message) << row.reason;
    EXPECT_EQ(parsed.error.reason, row.reason);
  }
}

// -k with Infile alone and no plane only checks; with a plane, or with
// Outfile, it is a split whose output is checked.
TEST(CommandLine, CheckOnlyWithInfileAlone) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"-k", "part.dat"},
        std::vector<std::string>{"-k", "-s", "-l", "lib", "part.dat"}}) {
    ParsedCommandLine parsed = ParseCommandLine(args);
    ASSERT_TRUE(parsed.command);
    EXPECT_TRUE(parsed.command->checkOnly);
    EXPECT_EQ(parsed.command->inFile, "part.dat");
    EXPECT_EQ(parsed.command->outFile, "");
  }
  ParsedCommandLine split = ParseCommandLine({"-k", "-x+", "in.dat", "out.dat"});
  ASSERT_TRUE(split.command);
  EXPECT_FALSE(split.command->checkOnly);
  EXPECT_TRUE(split.command->settings.check);

  ParsedCommandLine planeWithoutOutfile = ParseCommandLine({"-k", "-x+", "in.dat"});
  EXPECT_FALSE(planeWithoutOutfile.command);
  EXPECT_EQ(planeWithoutOutfile.error.reason, "missing Outfile");
  ParsedCommandLine noPlane = ParseCommandLine({"-k", "in.dat", "out.dat"});
  EXPECT_FALSE(noPlane.command);
  EXPECT_EQ(noPlane.error.message, "No split specified");
  EXPECT_FALSE(ParseCommandLine({"-k"}).command);
}

// The designed text stays on standard output, the reason goes alone to
// standard error.
TEST(CommandLine, ReportPutsTheReasonOnStandardError) {
  std::ostringstream out, err;
  ReportCommandLine(ParseCommandLine({"-da", "-x+", "-ca", "in.dat"}), out, err);
  std::ostringstream usage;
  ShowUsage(usage);
  EXPECT_EQ(out.str(),
            "Elements across splitter plane deleted\nCut elements by splitter plane\n"
            "Wrong number of arguments\n" +
                usage.str());
  EXPECT_EQ(err.str(), "missing Outfile\n");
}

// -f caps the cut in colour 16, -ff in the colour given: a decimal number
// or a direct colour, as LDraw lines write colours; anything else is
// refused, and -ff at the end lacks its value.
TEST(CommandLine, CapOptionsTakeAColourAsLDrawWritesOne) {
  ParsedCommandLine plain = ParseCommandLine({"-x+", "-ca", "-f", "in.dat", "out.dat"});
  ASSERT_TRUE(plain.command);
  EXPECT_TRUE(plain.command->settings.closeCut);
  EXPECT_EQ(plain.command->settings.capColour, "16");
  for (const char* colour : {"4", "0x2FF0000", "0X2ff0000", "0"}) {
    ParsedCommandLine parsed = ParseCommandLine({"-x+", "-ff", colour, "in.dat", "out.dat"});
    ASSERT_TRUE(parsed.command) << colour;
    EXPECT_TRUE(parsed.command->settings.closeCut);
    EXPECT_EQ(parsed.command->settings.capColour, colour);
  }
  for (const char* colour : {"red", "-4", "4.5", "0x", "0x2FF00000G", "1234567890", ""}) {
    ParsedCommandLine parsed = ParseCommandLine({"-x+", "-ff", colour, "in.dat", "out.dat"});
    EXPECT_FALSE(parsed.command) << colour;
    EXPECT_EQ(parsed.error.message, std::string("Invalid colour ") + colour);
  }
  ParsedCommandLine last = ParseCommandLine({"-x+", "-y+", "-ff"});
  EXPECT_FALSE(last.command);
  EXPECT_EQ(last.error.reason, "missing value after -ff");
  EXPECT_FALSE(ParseCommandLine({"-x+", "-fx", "in.dat", "out.dat"}).command);
  EXPECT_FALSE(ParseCommandLine({"-x+", "in.dat", "out.dat"}).command->settings.closeCut);
}

}  // namespace
}  // namespace halvex
