#include "elements/subfile_ref.h"

#include <gtest/gtest.h>

#include <string>

#include "splitting/splitters.h"

namespace halvex {
namespace {

TEST(SubfileRefText, RoundTripsAndKeepsTheName) {
  const struct {
    const char* line;
    const char* text;
    const char* name;
  } rows[] = {
      {"1 16 0 0 0 1 0 0 0 1 0 0 0 1 my part.dat", "1 16 0 0 0 1 0 0 0 1 0 0 0 1 my part.dat",
       "my part.dat"},
      {"  1\t4 1.5 -2 3 0 0 1 0 1 0 -1 0 0   s\\a b.dat  ",
       "1 4 1.5 -2 3 0 0 1 0 1 0 -1 0 0 s\\a b.dat  ", "s\\a b.dat  "},
      {"1 16 0 0 0 1 0 0 0 1 0 0 0 1", "1 16 0 0 0 1 0 0 0 1 0 0 0 1 ", ""},  // empty name
      {"1 16 123.4567 1e-5 0 1 0 0 0 1 0 0 0 1 a.dat",
       "1 16 123.457 1e-005 0 1 0 0 0 1 0 0 0 1 a.dat", "a.dat"},
      // Malformed (issue 3): unread fields 0, the name after a failure empty.
      {"1 16 1 2 3", "1 16 1 2 3 0 0 0 0 0 0 0 0 0 ", ""},
      {"1 16 0 0 0 1 0 0 x 1 0 0 0 1 a.dat", "1 16 0 0 0 1 0 0 0 0 0 0 0 0 ", ""},
      {"1 red 0 0 0 1 0 0 0 1 0 0 0 1 a.dat", "1 0 0 0 0 1 0 0 0 1 0 0 0 1 a.dat", "a.dat"},
      {"1", "1 0 0 0 0 0 0 0 0 0 0 0 0 0 ", ""},
  };
  for (const auto& row : rows) {
    SubfileRef ref(row.line);
    EXPECT_EQ(ref.ToText(), row.text) << row.line;
    EXPECT_EQ(ref.Name(), row.name) << row.line;
    EXPECT_EQ(ref.LineType(), 1);
  }
}

TEST(SubfileRefColour, DirectColourReadKeptAndReplaced) {
  SubfileRef ref("1 0x2913728 0 0 0 1 0 0 0 1 0 0 0 1 a.dat");
  EXPECT_EQ(ref.GetColour().Number(), 43071272);
  EXPECT_EQ(ref.ToText(), "1 0x2913728 0 0 0 1 0 0 0 1 0 0 0 1 a.dat");
  ref.SetColour(4);
  EXPECT_EQ(ref.ToText(), "1 4 0 0 0 1 0 0 0 1 0 0 0 1 a.dat");
}

TEST(SubfileRefPlacement, TransformThenTranslateComposes) {
  // Offset (1,2,3), a quarter turn about z, placed by the mirror (-1,1,1)
  // and the offset (10,20,30): M*p + t = (9,22,33), matrix M*R.
  SubfileRef ref("1 16 1 2 3 0 -1 0 1 0 0 0 0 1 a.dat");
  ref.Transform(MatrixFromRows({-1, 0, 0}, {0, 1, 0}, {0, 0, 1}));
  ref.Translate({10, 20, 30});
  EXPECT_EQ(ref.ToText(), "1 16 9 22 33 0 1 0 1 0 0 0 0 1 a.dat");
  EXPECT_EQ(Determinant(ref.Placement()), -1);

  SubfileRef moved("1 16 1 2 3 1 2 0 0 1 0 0 0 1 a.dat");
  moved.Translate({1, 1, 1});  // the matrix stays
  EXPECT_EQ(moved.ToText(), "1 16 2 3 4 1 2 0 0 1 0 0 0 1 a.dat");
  // The offset is multiplied too, and the new matrix is m * matrix (matrix * m
  // would be 2 1 0 1 0 0 0 0 3).
  moved.Transform(MatrixFromRows({0, 1, 0}, {1, 0, 0}, {0, 0, 3}));
  EXPECT_EQ(moved.ToText(), "1 16 3 2 12 0 1 0 1 2 0 0 0 3 a.dat");
}

TEST(SubfileRefClassify, ByTheOffsetAloneNeverAcross) {
  const struct {
    const char* line;
    Side side;
    const char* after;
  } rows[] = {
      {"1 16 0.0005 3 4 -1 0 0 0 1 0 0 0 1 a.dat", Side::kInPlane,
       "1 16 0 3 4 -1 0 0 0 1 0 0 0 1 a.dat"},
      {"1 16 -0.001 3 4 1 0 0 0 1 0 0 0 1 a.dat", Side::kInPlane,
       "1 16 0 3 4 1 0 0 0 1 0 0 0 1 a.dat"},
      {"1 16 0.0015 0 0 1 0 0 0 1 0 0 0 1 a.dat", Side::kKept,
       "1 16 0.0015 0 0 1 0 0 0 1 0 0 0 1 a.dat"},
      {"1 16 -5 0 0 100 0 0 0 1 0 0 0 1 a.dat", Side::kRemoved,
       "1 16 -5 0 0 100 0 0 0 1 0 0 0 1 a.dat"},
  };
  for (const auto& row : rows) {
    SubfileRef ref(row.line);
    EXPECT_EQ(ref.Classify(test::KeepXPositive()), row.side) << row.line;
    EXPECT_EQ(ref.ToText(), row.after) << row.line;
  }
}

}  // namespace
}  // namespace halvex
