#include "app/command_line.h"

#include <gtest/gtest.h>

#include <sstream>

#include "e2e/run_program.h"
#include "elements/polygons.h"

namespace halvex {
namespace {

using Args = std::vector<std::string>;
using Lines = std::vector<std::string>;

struct Parsed {
  std::optional<CommandLine> command;
  std::string out;
};

Parsed Parse(const Args& args) {
  std::ostringstream out;
  std::optional<CommandLine> command = ParseCommandLine(args, out);
  return {std::move(command), out.str()};
}

struct FailureCase {
  Args args;
  std::string printed;  // Before the usage.
};

// The end-to-end tests show more rows with the whole output.
TEST(ParseCommandLine, FailuresPrintTheUsage) {
  const FailureCase cases[] = {
      {{"-", "in.dat", "out.dat"}, ""},
      {{"-dx", "in.dat", "out.dat"}, ""},
      {{"-x", "in.dat", "out.dat"}, ""},
      {{"-x+*", "5", "in.dat", "out.dat"}, ""},
      {{"-s", "-p"}, ""},
      {{"-s", "-c", "-p"}, "Wrong number of arguments\n"},
      {{"-i", "-v", "in.dat", "out.dat"}, "No split specified\n"},
      {{"-p", "nan", "-x+", "in.dat", "out.dat"}, "Invalid precision nan\n"},
      {{"-p", "-inf", "-x+", "in.dat", "out.dat"}, "Invalid precision -inf\n"},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    Parsed parsed = Parse(c.args);
    EXPECT_FALSE(parsed.command.has_value());
    EXPECT_EQ(parsed.out, c.printed + std::string(testing::kUsage));
  }
}

TEST(ParseCommandLine, SwitchesAndTheirMessages) {
  Parsed parsed = Parse({"-d0", "-dax", "-cab", "-dn", "-c", "-di", "-x+", "in.dat", "out.dat"});
  ASSERT_TRUE(parsed.command);
  EXPECT_EQ(parsed.out,
            "No elements deleted, only snaps to splitter plane\n"
            "Elements across splitter plane deleted\n"
            "Cut elements by splitter plane\n"
            "Elements not across or in splitter plane deleted\n"
            "Elements completely in splitter plane deleted\n");
  const RunSettings& s = parsed.command->settings;
  EXPECT_TRUE(s.snapOnly && s.deleteAcross && s.cutAcross && s.deleteNotInOrAcross &&
              s.colourElements && s.deleteInPlane);
  EXPECT_FALSE(s.verifySymmetry || s.expandSubfiles || s.invertSplit);
}

TEST(ParseCommandLine, VerifyClearsColourEitherWay) {
  for (const Args& args : {Args{"-c", "-v", "-x+", "a", "b"}, Args{"-v", "-c", "-x+", "a", "b"}}) {
    Parsed parsed = Parse(args);
    ASSERT_TRUE(parsed.command);
    EXPECT_TRUE(parsed.command->settings.verifySymmetry);
    EXPECT_FALSE(parsed.command->settings.colourElements);
  }
  Parsed parsed = Parse({"-inv", "-sx", "-x+", "a", "b"});
  ASSERT_TRUE(parsed.command);
  EXPECT_TRUE(parsed.command->settings.invertSplit);
  EXPECT_TRUE(parsed.command->settings.expandSubfiles);
}

TEST(ParseCommandLine, ValueTakingOptionsConsumeTheNextArgument) {
  Parsed five = Parse({"-x++", "5", "in.dat", "out.dat"});
  ASSERT_TRUE(five.command);
  ASSERT_EQ(five.command->axisPlanes.size(), 1u);
  const AxisPlane& plane = five.command->axisPlanes[0];
  EXPECT_EQ(Triangle(plane, Colour(16)).ToText(), "3 16 5 0 0 5 0 10 5 10 0");

  Parsed abc = Parse({"-x--", "abc", "-y+-", "-2", "in.dat", "out.dat"});
  ASSERT_TRUE(abc.command);
  ASSERT_EQ(abc.command->axisPlanes.size(), 2u);
  EXPECT_EQ(Triangle(abc.command->axisPlanes[0], Colour(16)).ToText(), "3 16 0 0 0 0 10 0 0 0 10");
  EXPECT_EQ(Triangle(abc.command->axisPlanes[1], Colour(16)).ToText(),
            "3 16 10 -2 0 0 -2 10 0 -2 0");
  EXPECT_EQ(abc.command->inFile, "in.dat");

  // The value of -x++5 is the next argument, not the 5 inside the option.
  Parsed inside = Parse({"-x++5", "in.dat", "a.dat", "out.dat"});
  ASSERT_TRUE(inside.command);
  EXPECT_EQ(Triangle(inside.command->axisPlanes[0], Colour(16)).ToText(),
            "3 16 0 0 0 0 0 10 0 10 0");
  EXPECT_EQ(inside.command->inFile, "a.dat");
  EXPECT_FALSE(inside.command->splitterFile);
  EXPECT_EQ(inside.command->outFile, "out.dat");
}

// The point that each short axis option keeps lies on the negative side of
// its triangle; "-z+" keeps z > 0, as the usage promises.
TEST(ParseCommandLine, AxisPlanesKeepTheNamedSide) {
  const std::pair<const char*, Point> cases[] = {
      {"-x+", {1, 0, 0}},  {"-x-", {-1, 0, 0}}, {"-y+", {0, 1, 0}},
      {"-y-", {0, -1, 0}}, {"-z+", {0, 0, 1}},  {"-z-", {0, 0, -1}},
  };
  for (const auto& [option, kept] : cases) {
    SCOPED_TRACE(option);
    Parsed parsed = Parse({option, "a", "b"});
    ASSERT_TRUE(parsed.command);
    Triangle plane(parsed.command->axisPlanes.at(0), Colour(16));
    Point unused;
    EXPECT_LT(plane.SignedDistance(kept, &unused), -0.5);
    Point removed{-kept.x, -kept.y, -kept.z};
    EXPECT_GT(plane.SignedDistance(removed, &unused), 0.5);
  }
}

TEST(ParseCommandLine, SearchLocations) {
  const std::pair<Args, Lines> cases[] = {
      {{"-x+", "in.dat", "out.dat"}, {".\\", ".\\p\\", ".\\s\\"}},
      {{"-x+", "parts\\sub\\in.dat", "out.dat"},
       {"parts\\sub\\", "parts\\sub\\p\\", "parts\\sub\\s\\"}},
      // Departure: the base comes from the input file, also with a splitter.
      {{"x/in.dat", "y/split.dat", "out.dat"}, {"x/", "x/p\\", "x/s\\"}},
      {{"-l", "C:\\lib", "-l", "../lib/", "-x+", "in.dat", "out.dat"},
       {".\\", ".\\p\\", ".\\s\\", "C:\\lib\\p\\", "C:\\lib\\parts\\", "C:\\lib\\parts\\s\\",
        "C:\\lib\\Unofficial\\p\\", "C:\\lib\\Unofficial\\parts\\",
        "C:\\lib\\Unofficial\\parts\\s\\", "../lib/p\\", "../lib/parts\\", "../lib/parts\\s\\",
        "../lib/Unofficial\\p\\", "../lib/Unofficial\\parts\\", "../lib/Unofficial\\parts\\s\\"}},
  };
  for (const auto& [args, expected] : cases) {
    Parsed parsed = Parse(args);
    ASSERT_TRUE(parsed.command);
    EXPECT_EQ(parsed.command->searchLocations, expected);
  }
  Parsed slash = Parse({"-l", "C:\\lib\\", "-x+", "in.dat", "out.dat"});
  Parsed noSlash = Parse({"-l", "C:\\lib", "-x+", "in.dat", "out.dat"});
  ASSERT_TRUE(slash.command && noSlash.command);
  EXPECT_EQ(slash.command->searchLocations, noSlash.command->searchLocations);
  Parsed empty = Parse({"-l", "", "-x+", "in.dat", "out.dat"});
  ASSERT_TRUE(empty.command);
  EXPECT_EQ(empty.command->searchLocations.size(), 9u);
}

TEST(ParseCommandLine, FirstFileArgumentEndsTheOptions) {
  Parsed parsed = Parse({"-x+", "in.dat", "-c", "out.dat"});
  ASSERT_TRUE(parsed.command);
  EXPECT_EQ(parsed.command->inFile, "in.dat");
  EXPECT_EQ(parsed.command->splitterFile, "-c");
  EXPECT_EQ(parsed.command->outFile, "out.dat");
  EXPECT_FALSE(parsed.command->settings.colourElements);
}

}  // namespace
}  // namespace halvex
