#include "app/command_line.h"

#include <gtest/gtest.h>

#include <sstream>

#include "geometry/precision.h"
#include "splitting/splitters.h"

namespace halvex {
namespace {

using CommandLineTest = test::PrecisionGuard;

std::optional<CommandLine> Parse(std::vector<std::string> args) {
  std::ostringstream out;
  return ParseCommandLine(args, out);
}

TEST_F(CommandLineTest, RecordsEachAxisPlaneAsAxisSideAndValue) {
  std::optional<CommandLine> command =
      Parse({"-x+", "-y--", "-2.5", "-z++", "1e3", "-x-", "-y++", "word", "in.dat", "out.dat"});
  ASSERT_TRUE(command);
  const std::vector<AxisPlane>& planes = command->axisPlanes;
  ASSERT_EQ(planes.size(), 5u);
  const struct {
    Axis axis;
    bool keepAbove;
    double value;
  } expected[] = {{Axis::kX, true, 0},
                  {Axis::kY, false, -2.5},
                  {Axis::kZ, true, 1000},
                  {Axis::kX, false, 0},
                  // A value that is no number leaves the plane at 0.
                  {Axis::kY, true, 0}};
  for (std::size_t k = 0; k < planes.size(); ++k) {
    EXPECT_EQ(planes[k].axis, expected[k].axis) << k;
    EXPECT_EQ(planes[k].keepAbove, expected[k].keepAbove) << k;
    EXPECT_EQ(planes[k].value, expected[k].value) << k;
  }
  EXPECT_EQ(command->inFile, "in.dat");
}

TEST_F(CommandLineTest, EveryParseStartsFromTheDefaultPrecision) {
  ASSERT_TRUE(Parse({"-p", "0.25", "-x+", "in.dat", "out.dat"}));
  EXPECT_EQ(precision, 0.25);
  ASSERT_TRUE(Parse({"-x+", "in.dat", "out.dat"}));
  EXPECT_EQ(precision, kDefaultPrecision);
  ASSERT_TRUE(Parse({"-p", "x", "-x+", "in.dat", "out.dat"}));
  EXPECT_EQ(precision, kDefaultPrecision);
}

}  // namespace
}  // namespace halvex
