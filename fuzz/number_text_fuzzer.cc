// libFuzzer target: arbitrary bytes as a number token, read and printed
// as the C library reads and prints it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string problem =
      halvex::fuzz::CheckNumbers(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!problem.empty()) {
    std::fprintf(stderr, "%s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
