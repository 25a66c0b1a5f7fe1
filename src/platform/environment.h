// The process environment, read once where a run needs it.
// environment_posix.cc (POSIX systems and WASI) and environment_win32.cc
// implement it; the build compiles the one for its target.
#pragma once

#include <optional>
#include <string>

namespace halvex {

// The value of the environment variable `name` (UTF-8 on every platform);
// none when it is not set or set to nothing.
std::optional<std::string> EnvironmentVariable(const char* name);

}  // namespace halvex
