// libFuzzer target: the whole program in-process. The first bytes choose a
// command line from the real options, the rest is the input file; the run
// loads, expands against a small library, splits and saves.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string problem =
      halvex::fuzz::CheckRun(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!problem.empty()) {
    std::fprintf(stderr, "%s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
