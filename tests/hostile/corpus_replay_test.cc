// Replays the saved fuzzing corpus through the fuzzers' own checks, so that
// every build checks what fuzzing found worth keeping, without clang; and the
// hand-picked hard number tokens of tests/data/numbers (zeros and signs,
// broken exponents, subnormals, halfway cases, the ends of 32 and 64 bits,
// infinities, NaNs, hexadecimal floats, glued characters) through the number
// check.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "../../fuzz/fuzz_entries.h"
#include "e2e/run_program.h"

namespace halvex {
namespace {

TEST(FuzzCorpus, EveryInputKeepsEveryProperty) {
  struct Target {
    std::string folder;
    std::string (*check)(std::string_view);
  };
  for (const Target& target : {Target{"fuzz/corpus/line_parser", fuzz::CheckLines},
                               Target{"fuzz/corpus/pipeline", fuzz::CheckRun},
                               Target{"fuzz/corpus/number_text", fuzz::CheckNumbers},
                               Target{"tests/data/numbers", fuzz::CheckNumbers}}) {
#ifdef _WIN32
    // The number check compares with the C library of 64-bit Linux; the
    // results that must hold everywhere are pinned in number_text_test.cc.
    if (target.check == fuzz::CheckNumbers) continue;
#endif
    const std::filesystem::path corpus = std::filesystem::path(HALVEX_SOURCE_DIR) / target.folder;
    ASSERT_TRUE(std::filesystem::is_directory(corpus)) << "missing corpus " << corpus;
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
      EXPECT_EQ(target.check(testing::ReadFile(entry.path())), "") << entry.path();
      ++inputs;
    }
    EXPECT_GT(inputs, 0) << "empty corpus " << corpus;
  }
}

}  // namespace
}  // namespace halvex
