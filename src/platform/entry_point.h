// Where the program starts. Each platform's entry point hands the arguments
// after the program's name, as UTF-8, to ProgramMain and returns its exit
// code: main in entry_point_posix.cc (POSIX systems and WASI), wmain in
// entry_point_win32.cc. Linked into the program alone: the test binary has
// its own.
#pragma once

#include <string>
#include <vector>

namespace halvex {

// The program's run; defined by the program (app/main.cc).
int ProgramMain(const std::vector<std::string>& args);

}  // namespace halvex
