// The hostile-input tests use the shared program runner under their own name.
#pragma once

#include "e2e/run_program.h"

namespace halvex::hostile {

using namespace halvex::testing;  // NOLINT: one set of helpers under two names.
namespace fs = std::filesystem;

}  // namespace halvex::hostile
