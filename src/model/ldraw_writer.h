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
// report once the file is complete. Normalising mode (used after expanding
// subfiles) keeps only the first BFC CERTIFY line, drops the later ones, and
// reverses the polygons that follow one which disagrees with the first, so
// that the file declares one winding for all its polygons; this changes the
// model. Nothing is printed on failure, and the file is then left as it was.
[[nodiscard]] SaveResult Save(Model& model, const std::string& fileName, bool normalising,
                              PathResolver& resolver, std::ostream& report);

}  // namespace halvex
