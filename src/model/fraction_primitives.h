// Writing the kept part of a cut circular primitive as the library's own
// fraction primitives (a 4-4cyli.dat halved through its axis becomes a
// 2-4cyli.dat turned about that axis), where their geometry proves equal to
// what the split leaves of it.
//
// LDraw's circular primitives are named N-Dname.dat (N/D of a circle:
// 1-16, 1-8, 3-16, 1-4, ..., 2-4, ..., 4-4), of unit radius about the y axis,
// their first sector starting at +x and running towards +z; the circle has
// 16 sectors, 48 in the high-resolution folder 48\ and 8 in the
// low-resolution folder 8\. LDraw.org Wiki, "Primitives Reference"
// (https://wiki.ldraw.org/wiki/Primitives_Reference), "Curved primitives".
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "elements/subfile_ref.h"
#include "geometry/point.h"
#include "model/model.h"
#include "splitting/plane.h"

namespace halvex {

// A reference's name read as a circular primitive: its folder prefix as
// written ("48\", "p/8/", or empty), the number of sectors of a full circle
// there, how many of them the primitive covers from angle 0, and the rest of
// its name ("cyli", "ring3", "con4", "edge").
struct CircularPrimitive {
  std::string folder;
  int circleSectors = 16;
  int sectors = 0;
  std::string stem;
};

// The name read as "[folder]N-Dstem.dat" (case aside) with N/D a whole
// number of the folder's sectors, at most a full circle; none otherwise.
std::optional<CircularPrimitive> ReadCircularPrimitive(std::string_view name);

// The library's names for `sectors` sectors of `primitive`'s family, to be
// tried in order: the fraction reduced as the library writes it (a half is
// 2-4, a whole circle 4-4, a third 1-3), with each spelling of the stem the
// library uses to keep names short (ring, rin, ri).
std::vector<std::string> FractionNames(const CircularPrimitive& primitive, int sectors);

// A run of consecutive sectors, counted from angle 0 of the primitive.
struct SectorRun {
  int first;
  int count;
};

// The sectors of a primitive covering `sectors` sectors (of `circleSectors`
// to a circle) that the planes keep, placed by `placement` and `position`,
// as runs in order; a run that passes angle 0 of a full circle is one run.
// Planes that do not hold the primitive's axis (within `precision` at y = 0
// and y = 1) are left to the verification. None when no plane holds the
// axis, or one holds it but passes through a sector rather than between
// two.
std::optional<std::vector<SectorRun>> KeptSectorRuns(int sectors, int circleSectors,
                                                     const Matrix3& placement,
                                                     const Point& position,
                                                     std::span<const Plane> planes);

// The fewest pieces, largest first, whose sector counts add up to `count`,
// taking counts from `available` (available[k] for k sectors); none when no
// sum makes it.
std::optional<std::vector<int>> FewestPieces(int count, const std::vector<bool>& available);

// The turn about the y axis by `turn` sectors (of `circleSectors` to a
// circle), after a mirror in the xy plane when `mirrored`, exact at quarter
// turns.
Matrix3 SectorTurn(int turn, int circleSectors, bool mirrored);

// The elements a cut left, compared with those of substitutes: same line
// type and colour, corners (line ends for lines) each within kFractionMatch
// of one of the other's, as many of them, and for polygons the same front
// side (their corners' winding read with the winding of their file) and
// culling. Conditional lines are compared by their ends: a fraction draws
// its ends' conditional lines with control points of its own.
class ElementPool {
 public:
  // Adds the drawing elements of `model` (empty places and meta lines aside).
  void AddAll(Model& model);
  // Takes from the pool one matching element for every drawing element of
  // `model`; false, with the pool as it was, when one has no match or
  // `model` draws nothing.
  bool TakeAll(Model& model);
  bool Empty() const { return items_.empty(); }

 private:
  struct Item {
    int type;
    std::string colour;
    std::vector<Point> points;
    Vector front;
    bool culled;
  };
  static std::optional<Item> ItemOf(Element& element);
  static bool Matches(const Item& a, const Item& b);

  std::vector<Item> items_;
};

// The corner tolerance of the comparison, in model units: the one by which
// the output of -e, expanded, is checked against that of -s. The library
// prints a primitive's corners to four decimals, so a fraction's corners
// lie within 0.00005 of the whole circle's, times the placement's scale.
inline constexpr double kFractionMatch = 0.002;

// What a substitution asks of the expansion and the run.
class FractionHost {
 public:
  virtual ~FractionHost() = default;
  // Places the full expansion of `ref` in `scratch` as the expansion would
  // inline it where `ref` stands: `mirror` is the sign of the mirror of its
  // whole placement, `passesCulling` whether it passes culling on to what it
  // places. False when a reference in it stays unexpanded or it grows too
  // large.
  virtual bool PlaceFully(const SubfileRef& ref, int mirror, bool passesCulling,
                          Model& scratch) = 0;
  // Whether the library holds `name`.
  virtual bool Holds(std::string_view name) = 0;
  // The run's split.
  virtual void Split(Model& model) = 0;
};

// One substitute: the reference, made in the model's arena, and the sign of
// the mirror of its whole placement.
struct FractionSubstitute {
  ArenaPtr<Element> ref;
  int mirror;
};

// Substitutes for `ref`, a reference to a circular primitive with `mirror`
// the sign of its whole placement's mirror and `passesCulling` as in
// FractionHost::PlaceFully, which the split would cut: the
// fewest fraction primitives of its family, turned (and mirrored where
// turning alone does not fit) about its axis, whose full expansions
// together give exactly the elements the split leaves of its full
// expansion. None where the planes do not meet it at sector boundaries
// through its axis, the library lacks the fractions or their geometry
// differs. Made in `arena`; names are looked for through `host`, whose
// answers are kept in `held`.
std::optional<std::vector<FractionSubstitute>> FindFractionSubstitutes(
    const SubfileRef& ref, int mirror, bool passesCulling, std::span<const Plane> planes,
    FractionHost& host, ElementArena& arena, std::unordered_map<std::string, bool>& held);

// What an expansion needs to write cut circular primitives as fractions:
// the planes of the run and its split.
struct FractionRules {
  std::vector<Plane> planes;
  std::function<void(Model&)> split;
  // Called when a primitive is written as fractions, right after the split
  // of its full expansion that showed they fit (none: nothing to call).
  std::function<void()> substituted;
};

}  // namespace halvex
