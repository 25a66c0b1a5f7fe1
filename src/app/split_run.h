// The body of a run, as a sequence of steps: the splitter from the axis planes
// and the splitter file, the input loaded, expanded on request, split, its
// winding normalised when expanded, saved, and each step reported.
#pragma once

#include <optional>
#include <ostream>

#include "app/command_line.h"

namespace halvex {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitFileError = 2;
// A run that only checks (-k with Infile alone) and finds an error.
inline constexpr int kExitCheckErrors = 3;

// Runs a parsed command line and answers the exit code: 0 on success, 2 when
// a file cannot be read, created or written or the expansion is too large;
// for a run that only checks, 3 when the check finds an error.
// The designed report goes to `out`; warnings that it has no line for (a -l
// folder that is no library, references found nowhere) go to `err`.
int Run(const CommandLine& command, std::ostream& out, std::ostream& err);

// Answers `--help` (the usage) and `--version` (the banner) given as the
// first argument, with exit code 0; none for every other command line, which
// RunProgram takes. Any other argument beginning with "--" is an error there,
// so these two change nothing else.
std::optional<int> RunInfoRequest(const std::vector<std::string>& args, std::ostream& out);

// The whole program: banner, command line, precision, run. Answers the exit
// code; the caller prints the quit prompt. What the command line or the run
// finds wrong beyond the designed messages goes to `err`.
int RunProgram(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace halvex
