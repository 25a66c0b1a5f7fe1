// Inlining subfile references: every reference whose file is found on the
// search path is replaced by the placed elements of that file, appended at
// the end of the model, nested references included.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "model/element_counts.h"
#include "model/expansion_verdict.h"
#include "model/fraction_primitives.h"
#include "model/model.h"
#include "model/search_path.h"

namespace halvex {

// The most elements an expansion may produce. It bounds the memory of a run
// to a few gigabytes, which a machine with 24 GB holds with the output being
// written.
inline constexpr int kDefaultElementBudget = 20'000'000;

enum class ExpandResult { kExpanded, kTooManyElements };

// A reference left as it was read because its expansion would be left
// unchanged, at its index in the model: whether it passes culling on to what
// it places (written where its file is certified with CLIP in effect, below
// references that all pass it on), and whether it is written inverted (a
// BFC INVERTNEXT before it) so that what it places winds as inlined.
struct KeptReference {
  int index;
  bool passesCulling;
  bool inverted;
};

// What an expansion that inlines only where the split changes something did
// with the references it met, nested ones included.
struct ReferenceFates {
  int keptWhole = 0;
  int removedWhole = 0;
  int inlined = 0;
  int notFound = 0;
  // References to circular primitives the split cuts, and those of them
  // written as fraction primitives instead of being inlined.
  int cutPrimitives = 0;
  int substituted = 0;
};

// What an expansion did: how it ended, the counts of the elements placed from
// subfiles (references not counted), one note for each reference left
// unexpanded because of a cycle or the nesting depth, in the order met, and
// the names of the referenced files that the search path did not find, each
// once (names with one NameKey count as one), in the order met.
struct ExpandSummary {
  ExpandResult result = ExpandResult::kExpanded;
  // Whether the top file is certified as read, before anything is emptied.
  bool topCertified = false;
  ElementCounts placed;
  std::vector<std::string> notes;
  std::vector<std::string> notFound;
  // Only for ExpandWhereChanged.
  ReferenceFates fates;
  std::vector<KeptReference> kept;
};

// Walks the model by index while it grows, so the references appended from a
// subfile are expanded later in the same walk, level by level. Each expanded
// reference (and the BFC INVERTNEXT lines that inverted it) becomes an
// EmptyElement; its file's drawing lines are placed by its matrix and
// offset and its colour given to elements of colour 16, and its comments and
// BFC statements are dropped: what they said is carried by the placed
// elements. A placed polygon is reversed when the inversions on its way
// down and the sign of its placement's determinant say so; its winding is
// its file's winding (1 counter-clockwise, -1 clockwise), and it is culled
// (Element::culled) where its file is certified with CLIP in effect and
// every reference on its way down was written where that held too. A
// placed reference's winding is its inversion sign. The top file's polygons
// get the winding and culling in effect where they stand, and a BFC
// INVERTNEXT that ends the top file, which applies to nothing, is emptied.
// FlattenBfc then says in the flat file what these say. A reference to a
// file (the same file, by whatever name) already being expanded on its own
// chain of enclosing references, or nested too deep, is left as it is and
// noted. Stops with kTooManyElements when the model would grow beyond
// `elementBudget` elements.
ExpandSummary ExpandSubfiles(Model& model, SearchPath& searchPath,
                             int elementBudget = kDefaultElementBudget);

// As ExpandSubfiles, but each reference found is first judged by where its
// full expansion lies: kept whole it stays as read (its inversion marker
// too) and is listed in `kept`; removed whole it is emptied with its
// marker; otherwise it is inlined one level as ExpandSubfiles inlines it,
// and the references it places are judged in turn. A reference whose full
// expansion would meet a reference not found, a cycle or the nesting limit
// is always inlined, so that what lies below is treated as ExpandSubfiles
// treats it. References not found stay and are counted.
//
// With `fractions`, a reference to a circular primitive that is to be
// inlined is first offered to FindFractionSubstitutes: where fraction
// primitives give exactly what the split leaves of it, they are appended in
// its place, each listed in `kept` when the walk reaches it, and it is
// emptied with its inversion marker.
ExpandSummary ExpandWhereChanged(Model& model, SearchPath& searchPath, const ExtentJudge& judge,
                                 int elementBudget = kDefaultElementBudget,
                                 const FractionRules* fractions = nullptr);

}  // namespace halvex
