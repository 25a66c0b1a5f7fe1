// Replays the saved fuzzing corpus through the fuzzers' own checks, so that
// every build checks what fuzzing found worth keeping, without clang.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "../../fuzz/fuzz_entries.h"
#include "hostile/hostile_support.h"

namespace halvex {
namespace {

TEST(FuzzCorpus, EveryInputKeepsEveryProperty) {
  struct Target {
    std::string name;
    std::string (*check)(std::string_view);
  };
  for (const Target& target :
       {Target{"line_parser", fuzz::CheckLines}, Target{"pipeline", fuzz::CheckRun}}) {
    const std::filesystem::path corpus =
        std::filesystem::path(HALVEX_SOURCE_DIR) / "fuzz" / "corpus" / target.name;
    ASSERT_TRUE(std::filesystem::is_directory(corpus)) << "missing corpus " << corpus;
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
      EXPECT_EQ(target.check(hostile::ReadFile(entry.path())), "") << entry.path();
      ++inputs;
    }
    EXPECT_GT(inputs, 0) << "empty corpus " << corpus;
  }
}

}  // namespace
}  // namespace halvex
