#include "model/fraction_primitives.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

#include "elements/coloured_element.h"
#include "geometry/ascii_case.h"
#include "geometry/precision.h"
#include "model/ldraw_reader.h"

namespace halvex {
namespace {

// Reads the digits at `pos` as a number below 10,000; none when there are
// none or too many.
std::optional<int> ReadCount(std::string_view text, std::size_t* pos) {
  int value = 0;
  std::size_t start = *pos;
  while (*pos < text.size() && text[*pos] >= '0' && text[*pos] <= '9') {
    if (*pos - start == 4) return std::nullopt;
    value = value * 10 + (text[*pos] - '0');
    ++*pos;
  }
  if (*pos == start) return std::nullopt;
  return value;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = AsciiLower(c);
  return lower;
}

// 0 for a point within the precision of a plane, else the sign of its
// distance from it.
int SideOf(double distance) {
  if (std::fabs(distance) <= precision) return 0;
  return distance > 0 ? 1 : -1;
}

// Newell's normal of a polygon's corners: its length is twice the area, its
// direction the side from which they run counter-clockwise.
Vector NewellNormal(std::span<const Point> corners) {
  Vector n{0, 0, 0};
  for (std::size_t k = 0; k < corners.size(); ++k) {
    const Point& p = corners[k];
    const Point& q = corners[(k + 1) % corners.size()];
    n.x += (p.y - q.y) * (p.z + q.z);
    n.y += (p.z - q.z) * (p.x + q.x);
    n.z += (p.x - q.x) * (p.y + q.y);
  }
  return n;
}

bool Near(const Point& a, const Point& b) {
  return std::fabs(a.x - b.x) <= kFractionMatch && std::fabs(a.y - b.y) <= kFractionMatch &&
         std::fabs(a.z - b.z) <= kFractionMatch;
}

bool EachNearOne(std::span<const Point> from, std::span<const Point> to) {
  return std::all_of(from.begin(), from.end(), [&](const Point& p) {
    return std::any_of(to.begin(), to.end(), [&](const Point& q) { return Near(p, q); });
  });
}

// A placement's entries below this share of its largest are rounding left
// by turning it (cos 90 degrees is 6e-17), and are written as 0.
constexpr double kNoiseShare = 1e-9;

Matrix3 WithoutNoise(Matrix3 m) {
  double* entries[] = {&m.a, &m.b, &m.c, &m.d, &m.e, &m.f, &m.g, &m.h, &m.i};
  double largest = 0;
  for (double* v : entries) largest = std::max(largest, std::fabs(*v));
  for (double* v : entries) {
    if (std::fabs(*v) < kNoiseShare * largest) *v = 0;
  }
  return m;
}

// A reference to `name` with the colour of `original`, placed by `matrix`
// and the original's offset, made in `arena`; its text is read back, so
// that it places exactly what will be written.
ArenaPtr<Element> MakeReference(const SubfileRef& original, const Matrix3& matrix,
                                std::string_view name, ElementArena& arena) {
  std::string line = "1 ";
  original.GetColour().AppendText(line);
  line.push_back(' ');
  original.Position().AppendText(line);
  line.push_back(' ');
  WithoutNoise(matrix).AppendText(line);
  line.push_back(' ');
  line.append(name);
  ArenaPtr<Element> ref = ParseLine(line, arena);
  ref->winding = original.winding;
  return ref;
}

}  // namespace

std::optional<CircularPrimitive> ReadCircularPrimitive(std::string_view name) {
  CircularPrimitive primitive;
  std::size_t slash = name.find_last_of("\\/");
  std::string_view base = name;
  if (slash != std::string_view::npos) {
    primitive.folder = std::string(name.substr(0, slash + 1));
    base = name.substr(slash + 1);
    std::string_view folder = name.substr(0, slash);
    std::size_t before = folder.find_last_of("\\/");
    std::string_view last = before == std::string_view::npos ? folder : folder.substr(before + 1);
    if (last == "48") primitive.circleSectors = 48;
    if (last == "8") primitive.circleSectors = 8;
  }
  std::string lower = Lower(base);
  if (lower.size() < 4 || lower.compare(lower.size() - 4, 4, ".dat") != 0) return std::nullopt;
  std::size_t pos = 0;
  std::optional<int> numerator = ReadCount(lower, &pos);
  if (!numerator || pos >= lower.size() || lower[pos] != '-') return std::nullopt;
  ++pos;
  std::optional<int> denominator = ReadCount(lower, &pos);
  if (!denominator || *numerator == 0 || *numerator > *denominator) return std::nullopt;
  const int circle = primitive.circleSectors;
  if (*numerator * circle % *denominator != 0) return std::nullopt;
  primitive.sectors = *numerator * circle / *denominator;
  primitive.stem = lower.substr(pos, lower.size() - 4 - pos);
  if (primitive.stem.empty() || primitive.stem[0] < 'a' || primitive.stem[0] > 'z') {
    return std::nullopt;
  }
  return primitive;
}

std::vector<std::string> FractionNames(const CircularPrimitive& primitive, int sectors) {
  const int common = std::gcd(sectors, primitive.circleSectors);
  int numerator = sectors / common;
  int denominator = primitive.circleSectors / common;
  // A half is written 2-4 and a whole circle 4-4, never 1-2 or 1-1; thirds
  // stay thirds.
  if (denominator == 1 || denominator == 2) {
    numerator *= 4 / denominator;
    denominator = 4;
  }
  const std::string fraction =
      primitive.folder + std::to_string(numerator) + "-" + std::to_string(denominator);
  // Rings are named ring, rin or ri before their radius, as the name's
  // eight characters allow (4-4ring3, 4-4rin15, 1-16ri19).
  std::vector<std::string> spellings{primitive.stem};
  const std::string& stem = primitive.stem;
  std::size_t digits = stem.find_first_of("0123456789");
  if (digits != std::string::npos && digits >= 2 && stem.compare(0, 2, "ri") == 0 &&
      stem.find_first_not_of("0123456789", digits) == std::string::npos) {
    std::string_view letters = std::string_view(stem).substr(0, digits);
    if (letters == "ri" || letters == "rin" || letters == "ring") {
      std::string radius = stem.substr(digits);
      spellings = {"ring" + radius, "rin" + radius, "ri" + radius};
    }
  }
  std::vector<std::string> names;
  for (const std::string& spelling : spellings) names.push_back(fraction + spelling + ".dat");
  return names;
}

std::optional<std::vector<SectorRun>> KeptSectorRuns(int sectors, int circleSectors,
                                                     const Matrix3& placement,
                                                     const Point& position,
                                                     std::span<const Plane> planes) {
  std::vector<bool> kept(static_cast<std::size_t>(sectors), true);
  bool axisHeld = false;
  const Matrix3& m = placement;
  for (const Plane& plane : planes) {
    const Vector& n = plane.normal;
    // The plane in the primitive's own coordinates: a point p lies at
    // Dot(normal, p) + offset from it (the normal times the placement).
    const Vector normal{m.a * n.x + m.d * n.y + m.g * n.z, m.b * n.x + m.e * n.y + m.h * n.z,
                        m.c * n.x + m.f * n.y + m.i * n.z};
    const double offset = Dot(n, Difference(plane.origin, position));
    if (std::fabs(offset) > precision || std::fabs(offset + normal.y) > precision) continue;
    axisHeld = true;
    // Which side of the plane each sector boundary's point on the unit
    // circle lies.
    std::vector<int> sides;
    for (int b = 0; b <= sectors; ++b) {
      const double angle = 2 * std::numbers::pi * b / circleSectors;
      sides.push_back(SideOf(normal.x * std::cos(angle) + normal.z * std::sin(angle)));
    }
    for (std::size_t j = 0; j < kept.size(); ++j) {
      const int from = sides[j];
      const int to = sides[j + 1];
      if (from * to < 0 || (from == 0 && to == 0)) return std::nullopt;
      if (from + to > 0) kept[j] = false;
    }
  }
  if (!axisHeld) return std::nullopt;
  std::vector<SectorRun> runs;
  for (int j = 0; j < sectors; ++j) {
    if (!kept[static_cast<std::size_t>(j)]) continue;
    if (!runs.empty() && runs.back().first + runs.back().count == j) {
      ++runs.back().count;
    } else {
      runs.push_back({j, 1});
    }
  }
  // On a full circle, a run that ends at the last sector goes on through
  // angle 0.
  if (sectors == circleSectors && runs.size() > 1 && runs.front().first == 0 &&
      runs.back().first + runs.back().count == sectors) {
    runs.back().count += runs.front().count;
    runs.erase(runs.begin());
  }
  return runs;
}

std::optional<std::vector<int>> FewestPieces(int count, const std::vector<bool>& available) {
  constexpr int kNone = 1 << 30;
  std::vector<int> fewest(static_cast<std::size_t>(count) + 1, kNone);
  std::vector<int> largest(static_cast<std::size_t>(count) + 1, 0);
  fewest[0] = 0;
  for (int c = 1; c <= count; ++c) {
    for (int k = std::min<int>(c, static_cast<int>(available.size()) - 1); k >= 1; --k) {
      const auto rest = static_cast<std::size_t>(c - k);
      if (!available[static_cast<std::size_t>(k)] || fewest[rest] == kNone) continue;
      if (fewest[rest] + 1 < fewest[static_cast<std::size_t>(c)]) {
        fewest[static_cast<std::size_t>(c)] = fewest[rest] + 1;
        largest[static_cast<std::size_t>(c)] = k;
      }
    }
  }
  if (fewest[static_cast<std::size_t>(count)] == kNone) return std::nullopt;
  std::vector<int> pieces;
  for (int c = count; c > 0; c -= pieces.back())
    pieces.push_back(largest[static_cast<std::size_t>(c)]);
  std::sort(pieces.rbegin(), pieces.rend());
  return pieces;
}

Matrix3 SectorTurn(int turn, int circleSectors, bool mirrored) {
  turn = ((turn % circleSectors) + circleSectors) % circleSectors;
  double cosine;
  double sine;
  const int quarter = circleSectors / 4;
  if (turn % quarter == 0) {
    constexpr double kCos[] = {1, 0, -1, 0};
    constexpr double kSin[] = {0, 1, 0, -1};
    cosine = kCos[turn / quarter];
    sine = kSin[turn / quarter];
  } else {
    const double angle = 2 * std::numbers::pi * turn / circleSectors;
    cosine = std::cos(angle);
    sine = std::sin(angle);
  }
  // (cos t, 0, sin t) turns to (cos(t + a), 0, sin(t + a)); mirrored,
  // z is negated first, so that it goes to angle a - t.
  const double zSign = mirrored ? -1 : 1;
  return MatrixFromRows({cosine, 0, -sine * zSign}, {0, 1, 0}, {sine, 0, cosine * zSign});
}

std::optional<ElementPool::Item> ElementPool::ItemOf(Element& element) {
  const int type = element.LineType();
  if (type < kEdgeType || type > kCondType) return std::nullopt;
  Item item;
  item.type = type;
  static_cast<const ColouredElement&>(element).GetColour().AppendText(item.colour);
  std::span<Point> points = element.ClassifiedPoints();
  item.points.assign(points.begin(), points.end());
  item.front = {0, 0, 0};
  item.culled = false;
  if (element.IsPolygon()) {
    item.front = Scale(NewellNormal(item.points), element.winding == -1 ? -1 : 1);
    item.culled = element.culled;
  }
  return item;
}

bool ElementPool::Matches(const Item& a, const Item& b) {
  if (a.type != b.type || a.colour != b.colour || a.culled != b.culled ||
      a.points.size() != b.points.size()) {
    return false;
  }
  if (!EachNearOne(a.points, b.points) || !EachNearOne(b.points, a.points)) return false;
  // A polygon without area has no front side to compare.
  constexpr double kNoArea = 1e-12;
  if (Length(a.front) <= kNoArea && Length(b.front) <= kNoArea) return true;
  return Dot(a.front, b.front) > 0;
}

void ElementPool::AddAll(Model& model) {
  for (int i = 0; i < model.Size(); ++i) {
    if (std::optional<Item> item = ItemOf(model.ElementAt(i))) items_.push_back(std::move(*item));
  }
}

bool ElementPool::TakeAll(Model& model) {
  std::vector<bool> taken(items_.size(), false);
  bool drawn = false;
  for (int i = 0; i < model.Size(); ++i) {
    Element& element = model.ElementAt(i);
    const int type = element.LineType();
    if (type == kMetaType || type == kEmptyType) continue;
    std::optional<Item> wanted = ItemOf(element);
    if (!wanted) return false;
    drawn = true;
    bool found = false;
    for (std::size_t k = 0; k < items_.size() && !found; ++k) {
      if (!taken[k] && Matches(*wanted, items_[k])) taken[k] = found = true;
    }
    if (!found) return false;
  }
  if (!drawn) return false;
  std::vector<Item> left;
  for (std::size_t k = 0; k < items_.size(); ++k) {
    if (!taken[k]) left.push_back(std::move(items_[k]));
  }
  items_ = std::move(left);
  return true;
}

std::optional<std::vector<FractionSubstitute>> FindFractionSubstitutes(
    const SubfileRef& ref, int mirror, bool passesCulling, std::span<const Plane> planes,
    FractionHost& host, ElementArena& arena, std::unordered_map<std::string, bool>& held) {
  std::optional<CircularPrimitive> primitive = ReadCircularPrimitive(ref.Name());
  if (!primitive) return std::nullopt;
  const int circle = primitive->circleSectors;
  std::optional<std::vector<SectorRun>> runs =
      KeptSectorRuns(primitive->sectors, circle, ref.Placement(), ref.Position(), planes);
  if (!runs || runs->empty()) return std::nullopt;

  Model cut;
  if (!host.PlaceFully(ref, mirror, passesCulling, cut)) return std::nullopt;
  host.Split(cut);
  ElementPool pool;
  pool.AddAll(cut);
  // Where the split leaves nothing (or the primitive draws nothing), there is
  // nothing to write.
  if (pool.Empty()) return std::nullopt;

  // The library's name for each count of sectors the runs may need.
  int longest = 0;
  for (const SectorRun& run : *runs) longest = std::max(longest, run.count);
  std::vector<std::string> names(static_cast<std::size_t>(longest) + 1);
  std::vector<bool> available(static_cast<std::size_t>(longest) + 1, false);
  for (int k = 1; k <= longest; ++k) {
    for (const std::string& name : FractionNames(*primitive, k)) {
      auto [known, isNew] = held.try_emplace(name, false);
      if (isNew) known->second = host.Holds(name);
      if (!known->second) continue;
      names[static_cast<std::size_t>(k)] = name;
      available[static_cast<std::size_t>(k)] = true;
      break;
    }
  }

  std::vector<FractionSubstitute> substitutes;
  for (const SectorRun& run : *runs) {
    std::optional<std::vector<int>> pieces = FewestPieces(run.count, available);
    if (!pieces) return std::nullopt;
    int first = run.first;
    for (int count : *pieces) {
      bool placed = false;
      // Turned so that its first sector is the run's; else mirrored and
      // turned so that its first sector is the piece's last.
      for (bool mirrored : {false, true}) {
        const Matrix3 turn = SectorTurn(mirrored ? first + count : first, circle, mirrored);
        ArenaPtr<Element> substitute = MakeReference(ref, Multiply(ref.Placement(), turn),
                                                     names[static_cast<std::size_t>(count)], arena);
        const int substituteMirror = mirrored ? -mirror : mirror;
        Model placedModel;
        if (!host.PlaceFully(static_cast<const SubfileRef&>(*substitute), substituteMirror,
                             passesCulling, placedModel) ||
            !pool.TakeAll(placedModel)) {
          continue;
        }
        substitutes.push_back({std::move(substitute), substituteMirror});
        placed = true;
        break;
      }
      if (!placed) return std::nullopt;
      first += count;
    }
  }
  if (!pool.Empty()) return std::nullopt;
  return substitutes;
}

}  // namespace halvex
