// Replays the saved fuzzing corpus through the fuzzers' own checks, so that
// every build checks what fuzzing found worth keeping, without clang; and the
// hand-picked hard number tokens of tests/data/numbers (zeros and signs,
// broken exponents, subnormals, halfway cases, the ends of 32 and 64 bits,
// infinities, NaNs, hexadecimal floats, glued characters) through the number
// check.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

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

// The pipeline fuzzer's library reaches the expansion as a zip archive too,
// its entries found under their top folder and whatever their case; a
// fourth option byte of zero leaves the command line of the first three.
TEST(FuzzCorpus, WorkspaceLibraryIsReadAsFolderAndAsZipArchive) {
  fuzz::detail::Workspace workspace;
  const std::string root = workspace.Root().string();
  fuzz::detail::WriteWholeFile(workspace.Root() / "in.dat",
                               "1 16 0 0 0 1 0 0 0 1 0 0 0 1 brick.dat\n");
  // -x+ -s with the library folder, or with the archive alone.
  using Bytes = std::array<std::uint8_t, fuzz::detail::kOptionBytes>;
  const Bytes folder = {0x05, 0, 0x03, 0};
  const Bytes archive = {0x05, 0, 0x01, 0x02};
  EXPECT_EQ(fuzz::detail::ChooseArguments(folder, root),
            (std::vector<std::string>{"-x+", "-s", "-l", root + "/lib", root + "/in.dat",
                                      root + "/out.dat"}));
  for (const Bytes& bytes : {folder, archive}) {
    std::vector<std::string> args = fuzz::detail::ChooseArguments(bytes, root);
    std::ostringstream report;
    const double savedPrecision = precision;
    const int code = RunProgram(args, report, report);
    precision = savedPrecision;
    ASSERT_EQ(code, kExitSuccess) << report.str();
    const std::string output = fuzz::detail::ReadWholeFile(workspace.Root() / "out.dat");
    // The stud (p/stud.dat) at 5 0 5, and a quad of parts/s/brick_s01.dat,
    // spelled Parts/S/Brick_S01.DAT in the archive.
    EXPECT_NE(output.find("3 16 5 0 5 11 0 5 5 0 11\r\n"), std::string::npos) << output;
    EXPECT_NE(output.find("4 4 -10 0 -10 -10 4 -10 10 4 -10 10 0 -10\r\n"), std::string::npos)
        << output;
  }
}

}  // namespace
}  // namespace halvex
