// The output file on the way to its place: a run interrupted while it is
// being written leaves neither it nor its temporary file behind.
#include "platform/output_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

#include "e2e/run_program.h"

namespace halvex {
namespace {

using testing::TempFolder;

#ifndef _WIN32
// Each signal that ends a run from outside (Ctrl+C, kill, a closed terminal)
// removes the temporary file, and the process still ends by that signal.
TEST(OutputFileDeathTest, InterruptionRemovesTheTemporaryFile) {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    TempFolder folder;
    testing::WriteFile(folder / "out.dat", "old\n");
    EXPECT_EXIT(
        {
          std::string reason;
          std::optional<OutputFile> file = OutputFile::Create((folder / "out.dat").string(), &reason);
          if (!file) std::_Exit(1);
          file->Write(std::string(1 << 20, 'x'));
          std::raise(signal);
          std::_Exit(2);
        },
        ::testing::KilledBySignal(signal), "");
    std::vector<std::string> left;
    for (const auto& entry : testing::fs::directory_iterator(folder.Path())) {
      left.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(left, std::vector<std::string>{"out.dat"}) << "signal " << signal;
    EXPECT_EQ(testing::ReadFile(folder / "out.dat"), "old\n");
  }
}
#endif

}  // namespace
}  // namespace halvex
