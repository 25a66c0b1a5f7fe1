// Writing a Model as an LDraw file, one element per line with CR LF line
// ends, and the save report.
#pragma once

#include <ostream>
#include <string>

#include "model/model.h"

namespace halvex {

class PathResolver;

enum class SaveResult { kSaved, kCantCreate, kCantWrite };

// Writes every element with a non-empty text, in order, and prints the save
// report once the file is complete. Nothing is printed on failure, and the
// file is then left as it was.
[[nodiscard]] SaveResult Save(const Model& model, const std::string& fileName,
                              PathResolver& resolver, std::ostream& report);

}  // namespace halvex
