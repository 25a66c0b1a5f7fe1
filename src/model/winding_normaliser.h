// Normalising the winding of an expanded model: after subfiles are inlined a
// model holds the BFC CERTIFY lines of many files, which may disagree.
#pragma once

#include "model/model.h"

namespace halvex {

// Keeps the first BFC CERTIFY line of `model` and empties the place of every
// later one. The polygons that follow a later line which disagrees with the
// first one are reversed, up to the next later line, so that the first line
// declares the winding of every polygon of the model.
void NormaliseWinding(Model& model);

}  // namespace halvex
