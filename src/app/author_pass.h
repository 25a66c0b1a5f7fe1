// The author pass (-a): makes the written file what an author submits to
// LDraw.org's library. After the split it outlines the cut with edge lines,
// rounds every point to the places the library asks for, replaces pieces
// that rounding or the cut left thin, bent or flat, and writes each line
// once; before saving it names the file after the output and marks its
// type unofficial, and writes every number in plain decimal form.
#pragma once

#include <ostream>
#include <string>

#include "app/cut_log.h"
#include "model/model.h"

namespace halvex {

// The places of decimals written: four, which LDraw.org's "File Format
// Restrictions for the Official Library" (ldraw.org/article/512, "Numeric
// Precision and Format") allows for every file and asks of primitives meant
// to be scaled; parts need three. Four keep every point within 0.00005 LDU
// of where the split put it.
inline constexpr int kAuthorPlaces = 4;
// A reference's matrix is written with up to five places, the Parts
// Tracker's limit for any number ("Decimal precision exceeds 5",
// ValidLines): rotations need more places than coordinates do (0.70711).
inline constexpr int kAuthorMatrixPlaces = 5;

// What the pass did, for its report.
struct AuthorReport {
  int outlinesAdded = 0;       // edge lines added along the cut
  int coordinatesRounded = 0;  // coordinates moved by rounding or snapping
  int piecesDropped = 0;       // lines and polygons of no length or area
  int polygonsRetiled = 0;     // polygons replaced by pieces that pass the rules
  int duplicatesRemoved = 0;   // lines the run made identical to another
  int piecesLeftBroken = 0;    // pieces too thin to tile within the rules, left
  // The farthest that a corner of such a piece lies off the cut planes,
  // where it lies within kThinPieceReach of one (or 0): a precision above
  // it would have snapped the corner onto the plane.
  double thinPieceReach = 0;
  bool nameSet = false;        // the 0 Name: line names the output
  bool typeSet = false;        // the 0 !LDRAW_ORG line says unofficial
};

// Adds to `into`'s boundary the outline that the steps below would give
// `cut`, split with `log`, to its removedEdges those of `log`, and to its
// drawnByReferences the polygons and edge lines of `cut` near a cut plane:
// for geometry the output holds in another form (a cut circular primitive
// written as fraction primitives), whose cut is outlined all the same, and
// beside which the output's own polygons are opened as beside any other.
void KeepOutline(const Model& cut, const CutLog& log, CutLog& into);

// The geometry steps, after the split and before the winding is made one:
// outlines from `log`, rounding (with points cut on an axis plane of
// `splitter` put exactly on it), re-tiling and removal of pieces, removal of
// duplicates. Polygons that broke a polygon rule before are left as they
// were apart from rounding.
void MakeGeometryAuthorReady(Model& output, const CutLog& log, const Model& splitter,
                             AuthorReport& report);

// The text steps, just before saving: the header among the first `topSize`
// elements (the top file's own lines) named after `outFile`, and every
// drawing line replaced by its final text.
void MakeTextAuthorReady(Model& output, int topSize, const std::string& outFile,
                         AuthorReport& report);

// A piece left too thin by a corner this near a cut plane is the cut of a
// polygon meant to end on the plane (a seam modelled 0.001 LDU off it):
// snapping its corners onto the plane would have given no piece at all.
inline constexpr double kThinPieceReach = 0.01;

// The report's lines: one per count that is not zero, and the header's. On
// `err`, where pieces were left too thin near a cut plane, the precision
// that snaps their corners onto it.
void ReportAuthorPass(std::ostream& out, std::ostream& err, const AuthorReport& report);

}  // namespace halvex
