#include "model/model.h"

#include <gtest/gtest.h>

#include "model/ldraw_reader.h"

namespace halvex {
namespace {

std::vector<std::string> Texts(const Model& model) {
  std::vector<std::string> texts;
  for (int i = 0; i < model.Size(); ++i) texts.push_back(model.ElementAt(i).ToText());
  return texts;
}

constexpr const char* kRef = "1 16 0 0 0 1 0 0 0 1 0 0 0 1 a.dat";
constexpr const char* kTri = "3 16 0 0 0 1 0 0 0 1 0";

struct EraseCase {
  const char* name;
  std::string text;
  int erase;
  std::vector<std::string> expected;
};
void PrintTo(const EraseCase& row, std::ostream* os) { *os << row.name; }

class EraseElementTest : public ::testing::TestWithParam<EraseCase> {};

TEST_P(EraseElementTest, TakesOnlyTheMarkerOfAReference) {
  Model model;
  LoadText(model, GetParam().text);
  const int size = model.Size();
  model.EraseElement(GetParam().erase);
  EXPECT_EQ(model.Size(), size);
  EXPECT_EQ(Texts(model), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Model, EraseElementTest,
    ::testing::Values(
        EraseCase{"MarkerInCapitals", std::string("0 BFC INVERTNEXT\n") + kRef, 1, {"", ""}},
        // The marker is recognised without regard to case.
        EraseCase{"MarkerInLowerCase", std::string("0 bfc InvertNext\n") + kRef, 1, {"", ""}},
        EraseCase{"CertifyIsNoMarker",
                  std::string("0 BFC CERTIFY CCW\n") + kRef,
                  1,
                  {"0 BFC CERTIFY CCW", ""}},
        EraseCase{
            "InvertNextWithoutBfc", std::string("0 INVERTNEXT\n") + kRef, 1, {"0 INVERTNEXT", ""}},
        EraseCase{"TriangleLeavesMarker",
                  std::string("0 BFC INVERTNEXT\n") + kTri,
                  1,
                  {"0 BFC INVERTNEXT", ""}},
        EraseCase{"ReferenceAtIndexZero", std::string(kRef) + "\n" + kTri, 0, {"", kTri}},
        EraseCase{"MarkerTwoLinesBefore",
                  std::string("0 BFC INVERTNEXT\n0 comment\n") + kRef,
                  2,
                  {"0 BFC INVERTNEXT", "0 comment", ""}}),
    [](const auto& row) { return row.param.name; });

TEST(Model, ReplacingKeepsEveryOtherIndex) {
  Model model;
  LoadText(model, "0 a\n2 24 0 0 0 1 1 1\n0 b\n" + std::string(kTri));
  const Element* third = &model.ElementAt(2);
  model.ReplaceWithEmpty(1);
  model.ReplaceAt(3, ParseLine("2 0 1 1 1 2 2 2"));
  EXPECT_EQ(model.Size(), 4);
  EXPECT_EQ(&model.ElementAt(2), third);
  EXPECT_EQ(model.ElementAt(1).LineType(), kEmptyType);
  EXPECT_EQ(Texts(model), (std::vector<std::string>{"0 a", "", "0 b", "2 0 1 1 1 2 2 2"}));
}

TEST(Model, ReverseWindingTurnsPolygonsOnly) {
  Model model;
  LoadText(model,
           "0 BFC CERTIFY CCW\n2 24 1 0 0 2 0 0\n3 16 1 0 0 2 0 0 3 0 0\n"
           "4 16 1 0 0 2 0 0 3 0 0 4 0 0\n1 16 0 0 0 1 0 0 0 1 0 0 0 1 a.dat");
  model.ReverseWinding();
  EXPECT_EQ(Texts(model),
            (std::vector<std::string>{"0 BFC CERTIFY CCW", "2 24 1 0 0 2 0 0",
                                      "3 16 3 0 0 2 0 0 1 0 0", "4 16 3 0 0 2 0 0 1 0 0 4 0 0",
                                      "1 16 0 0 0 1 0 0 0 1 0 0 0 1 a.dat"}));
  Model empty;
  empty.ReverseWinding();
  EXPECT_EQ(empty.Size(), 0);
  EXPECT_EQ(empty.LineType(), -1);
}

}  // namespace
}  // namespace halvex
