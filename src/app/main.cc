// Halvex: splits an LDraw file by one or more planes.
#include <cstdio>
#include <iostream>
#include <new>
#include <stdexcept>
#include <optional>
#include <string>
#include <vector>

#include "app/split_run.h"
#include "platform/entry_point.h"

namespace {

// Runs the program; a run that exhausts the memory (a file too large for
// the machine) ends with a message and the exit code of a file that cannot
// be read, after the unwinding has removed any temporary output file. A
// build without exceptions (WASI) ends such a run where the allocation
// fails.
int RunCatchingExhaustion(const std::vector<std::string>& args) {
#if defined(__cpp_exceptions)
  try {
    return halvex::RunProgram(args, std::cout, std::cerr);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  std::cerr << "Out of memory: the input and its subfiles are too large for this machine"
            << std::endl;
  return halvex::kExitFileError;
#else
  return halvex::RunProgram(args, std::cout, std::cerr);
#endif
}

}  // namespace

int halvex::ProgramMain(const std::vector<std::string>& args) {
  // Asked for the usage or the version, the program answers and ends at once.
  if (std::optional<int> code = halvex::RunInfoRequest(args, std::cout)) return *code;
  int code = RunCatchingExhaustion(args);
  // Every run ends here, so that a console window opened for the program
  // stays until the user has read it.
  std::cout << "Press <Enter> to quit" << std::endl;
  std::getchar();
  return code;
}

