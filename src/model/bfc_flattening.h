// The BFC statements of an expanded model. Expansion leaves the top file's
// own lines as read and places the polygons of subfiles after them, each
// with its file's winding and whether it is culled there (see
// ExpandSubfiles); the statements of subfiles are gone. What the
// placed elements need said of them is said here, so that a viewer culls
// every polygon of the flat file as it culls it in the original.
#pragma once

#include <vector>

#include "model/ldraw_writer.h"
#include "model/model.h"
#include "model/subfile_expander.h"

namespace halvex {

// For an expanded (and possibly split) `model` whose first `topSize`
// elements are the top file's own: where the flat file is certified, turns
// every polygon after them that is culled to the winding the top file
// leaves in effect, and answers the statements to write before the
// elements after them: BFC NOCLIP before a polygon that is not culled, BFC
// CLIP before one that is, each only where it changes what is in effect,
// and BFC INVERTNEXT before a reference left unexpanded whose inversion
// sign is -1. Where the top file is not certified, nothing is culled in the
// original or in the flat file: nothing changes, and no line is added, so
// that the flat file never becomes certified part-way.
//
// A reference of `expansion.kept` after the top file's elements is said the
// same way as a polygon, culled where it passes culling on, and gets its BFC
// INVERTNEXT (where it is `inverted`) in an uncertified top file too, so that it reads as it did in
// its own file.
//
// The top file's lines are written as they stand, which may certify the flat
// file otherwise than the original was: where the lines before a BFC
// CERTIFY that came after drawing lines were inlined or removed, the flat
// file is certified although the original was not (`expansion.topCertified`
// is false), and a BFC NOCLIP is said before each of the top file's own
// polygons and kept references where CLIP is in effect, so that nothing the
// original showed from both sides is culled. Where a BFC NOCERTIFY after
// drawing lines that went would leave it uncertified although the original
// was certified, a BFC CERTIFY with the winding in effect is said before its
// first drawing line.
std::vector<InsertedLine> FlattenBfc(Model& model, int topSize, const ExpandSummary& expansion);

}  // namespace halvex
