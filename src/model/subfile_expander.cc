#include "model/subfile_expander.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "elements/lines.h"
#include "elements/meta_line.h"
#include "elements/polygons.h"
#include "elements/subfile_ref.h"
#include "model/bfc_state.h"
#include "model/ldraw_reader.h"
#include "model/library_name.h"
#include "model/texture_blocks.h"

namespace halvex {
namespace {

// One expanded reference on a chain of enclosing references.
struct ChainLink {
  const Subfile* file;
  int parent;  // Index of the enclosing link, -1 for a reference of the top file.
  int depth;   // 1 for a reference of the top file.
};

bool IsOnChain(const std::vector<ChainLink>& links, int link, const Subfile* file) {
  for (; link >= 0; link = links[static_cast<std::size_t>(link)].parent) {
    if (links[static_cast<std::size_t>(link)].file == file) return true;
  }
  return false;
}

// A prepared element with what its own file says of it: for a polygon,
// whether it winds clockwise there (`reversed`) and whether it is culled
// there; for a reference, whether a BFC INVERTNEXT inverts it (`reversed`)
// and whether it passes culling on to what it places.
struct PreparedElement {
  ArenaPtr<Element> element;
  bool reversed = false;
  bool culled = false;
  // Its place in its file's texture blocks, which index `textures` of its
  // PreparedFile.
  TextureTag texture;
};

// What the expansion needs of a subfile, found once however often the file
// is placed: the count of the lines the reader finds in it, with every kind
// of line end (a bound on the elements the file adds), and the elements of
// its drawing lines, as read, with what its BFC statements say of each;
// every placement places copies of them. Comments and statements are not
// kept: a file's header is not read again at every placement, and what the
// statements say is carried by the placed elements themselves. The elements
// are made in the model's arena, so the texts their copies share live as
// long as the model.
struct PreparedFile {
  std::int64_t lineCount = 0;
  std::vector<PreparedElement> elements;
  bool truncated = false;  // Read only in part: see Prepare.
  // The textures the file declares, and whether any of its lines lies in a
  // texture block or is hidden behind "0 !:".
  std::vector<DeclaredTexture> textures;
  bool textured = false;
};

// Reads the file's lines while there are at most `maxLines` of them: a file
// of more lines than the expansion may still place is read no further (its
// lineCount then exceeds `maxLines`), so that its elements never fill the
// memory the element budget protects.
PreparedFile Prepare(std::string_view text, std::int64_t maxLines, ElementArena& arena) {
  PreparedFile prepared;
  BfcState bfc;
  TextureScope textures;
  LineCursor cursor(text);
  std::string_view line;
  while (cursor.Next(&line)) {
    if (++prepared.lineCount > maxLines) {
      prepared.truncated = true;
      break;
    }
    ArenaPtr<Element> element = ParseLine(line, arena);
    if (!element) continue;
    bool hidden = false;
    if (ArenaPtr<Element> hiddenLine = HiddenElementOf(*element, arena)) {
      element = std::move(hiddenLine);
      hidden = true;
    }
    bfc.Take(*element);
    int type = element->LineType();
    if (type == kMetaType) {
      if (textures.TakeStatement(static_cast<const MetaLine&>(*element).Text())) {
        prepared.textured = true;
      }
      continue;
    }
    bool reversed = type == kSubfileType ? bfc.LastReferenceInverted() : bfc.Winding() == -1;
    TextureTag tag = textures.TagOfLine(hidden);
    if (tag != TextureTag{}) prepared.textured = true;
    prepared.elements.push_back(PreparedElement{std::move(element), reversed, bfc.Culls(), tag});
  }
  prepared.textures = textures.Textures();
  return prepared;
}

// Where the full expansion of a file lies, in the file's own coordinates:
// points whose convex hull holds every point the split classifies (a
// polygon's corners, a line's two ends) of every element the expansion
// places. `known` is false when the expansion would meet a reference not
// found, a cycle, or a point that is not finite; `height` is the deepest
// nesting of references below the file (0 for a file without any).
struct Extent {
  bool known = true;
  int height = 0;
  std::vector<Point> points;
  // Whether a texture block or hidden line lies anywhere in the expansion.
  bool textured = false;
};

// A file of many points keeps only the corners of their bounding box, which
// hold them all: judging a reference then costs at most this many points a
// plane, however large its file.
constexpr std::size_t kMaxExtentPoints = 4096;

// Gathers the points of an Extent, each distinct point once, up to
// kMaxExtentPoints, and their bounding box.
class ExtentBuilder {
 public:
  void Add(const Point& p) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
      finite_ = false;
      return;
    }
    low_ = {std::min(low_.x, p.x), std::min(low_.y, p.y), std::min(low_.z, p.z)};
    high_ = {std::max(high_.x, p.x), std::max(high_.y, p.y), std::max(high_.z, p.z)};
    if (boxed_ || !seen_.insert(Key(p)).second) return;
    points_.push_back(p);
    if (points_.size() > kMaxExtentPoints) {
      boxed_ = true;
      seen_.clear();
    }
  }

  bool Finite() const { return finite_; }

  std::vector<Point> TakePoints() {
    if (!boxed_) return std::move(points_);
    std::vector<Point> corners;
    for (int k = 0; k < 8; ++k) {
      corners.push_back({(k & 1) ? high_.x : low_.x, (k & 2) ? high_.y : low_.y,
                         (k & 4) ? high_.z : low_.z});
    }
    return corners;
  }

 private:
  struct PointKey {
    std::uint64_t x, y, z;
    bool operator==(const PointKey&) const = default;
  };
  struct PointKeyHash {
    std::size_t operator()(const PointKey& k) const {
      return std::hash<std::uint64_t>()(k.x * 31 + k.y * 1000003 + k.z);
    }
  };
  static PointKey Key(const Point& p) {
    return {std::bit_cast<std::uint64_t>(p.x), std::bit_cast<std::uint64_t>(p.y),
            std::bit_cast<std::uint64_t>(p.z)};
  }

  bool finite_ = true;
  bool boxed_ = false;
  Point low_{INFINITY, INFINITY, INFINITY};
  Point high_{-INFINITY, -INFINITY, -INFINITY};
  std::vector<Point> points_;
  std::unordered_set<PointKey, PointKeyHash> seen_;
};

// The points of a drawing element that the split classifies.
void AddClassifiedPoints(const Element& element, ExtentBuilder& builder) {
  switch (element.LineType()) {
    case kEdgeType: {
      const auto& line = static_cast<const EdgeLine&>(element);
      builder.Add(line.P1());
      builder.Add(line.P2());
      return;
    }
    case kCondType: {
      const auto& line = static_cast<const CondLine&>(element);
      builder.Add(line.P1());
      builder.Add(line.P2());
      return;
    }
    case kTriangleType:
      for (const Point& p : static_cast<const Triangle&>(element).Corners()) builder.Add(p);
      return;
    case kQuadType:
      for (const Point& p : static_cast<const Quad&>(element).Corners()) builder.Add(p);
      return;
    default:
      return;
  }
}

// `p` placed by a reference's matrix and offset.
// -1 for a matrix that mirrors, +1 for any other, a singular one included.
int MirrorSign(const Matrix3& m) { return Determinant(m) < 0.0 ? -1 : 1; }

Point Placed(const SubfileRef& ref, const Point& p) {
  return Add(Apply(ref.Placement(), p), ref.Position());
}

// How one reference places its file: the inversion sign of the reference
// (its inherited sign, negated by a BFC INVERTNEXT), its mirror sign (see
// MirrorSign), whether its polygons are reversed (the inversion sign,
// negated again by the mirror), whether its
// polygons may be culled (every reference above it was written in a
// certified file with CLIP in effect), its placement and the colour given to
// elements of colour 16.
struct Placement {
  int inversion;
  int mirror;
  bool reversePolygons;
  bool culls;
  Matrix3 matrix;
  Point position;
  Colour colour;
  bool inherit;
  int link;
  TextureTag texture;
};

// One run of ExpandSubfiles: the walk over the model and what it keeps
// between references.
class Expansion {
 public:
  Expansion(Model& model, SearchPath& searchPath, int elementBudget,
            const ExtentJudge* judge = nullptr)
      : model_(model),
        searchPath_(searchPath),
        budget_(elementBudget),
        topSize_(model.Size()),
        judge_(judge) {}

  ExpandSummary Run() {
    ReadTopFile();
    for (int i = 0; i < model_.Size(); ++i) {
      if (model_.ElementAt(i).LineType() != kSubfileType) continue;
      const auto& ref = static_cast<const SubfileRef&>(model_.ElementAt(i));
      const Subfile* file = searchPath_.Open(ref.Name());
      if (!file) {
        NoteNotFound(ref.Name());
        ++summary_.fates.notFound;
        continue;
      }
      std::optional<ChainLink> link = GuardChain(i, ref, file);
      if (!link) continue;
      if (judge_ && Settle(i, ref, file, link->depth)) continue;
      const PreparedFile& prepared = PreparedFor(file, budget_ - model_.Size());
      if (ExceedsBudget(prepared)) {
        summary_.result = ExpandResult::kTooManyElements;
        return std::move(summary_);
      }
      links_.push_back(*link);
      Place(prepared, PlacementOf(i, ref, static_cast<int>(links_.size()) - 1));
      model_.EraseElement(i);
    }
    return std::move(summary_);
  }

 private:
  // Reads the BFC statements of the top file: each reference's winding
  // becomes its inversion sign and each polygon's the winding it is culled
  // with (0 where it is not culled), as for placed elements. A BFC
  // INVERTNEXT that ends the file applies to nothing and is emptied, so that
  // it cannot apply to a reference placed after it.
  void ReadTopFile() {
    BfcState bfc;
    passesCulling_.resize(static_cast<std::size_t>(topSize_));
    for (int i = 0; i < topSize_; ++i) {
      Element& element = model_.ElementAt(i);
      bfc.Take(element);
      int type = element.LineType();
      if (type == kSubfileType) {
        element.winding = static_cast<std::int8_t>(bfc.LastReferenceInverted() ? -1 : 1);
        passesCulling_[static_cast<std::size_t>(i)] = bfc.Culls();
      }
      if (type == kTriangleType || type == kQuadType) {
        element.winding = static_cast<std::int8_t>(bfc.Culls() ? bfc.Winding() : 0);
      }
    }
    summary_.topCertified = bfc.Certified();
    for (int marker : model_.EndFile()) model_.ReplaceWithEmpty(marker);
  }

  // The chain link of the reference at `i` to `file`, or none, with a note,
  // when `file` is already being expanded on the reference's chain of
  // enclosing references or the nesting would be too deep.
  std::optional<ChainLink> GuardChain(int i, const SubfileRef& ref, const Subfile* file) {
    int parent = i < topSize_ ? -1 : linkOf_[static_cast<std::size_t>(i - topSize_)];
    // The top file stands at the start of every chain.
    if (file->top || IsOnChain(links_, parent, file)) {
      summary_.notes.push_back("Circular reference to " + std::string(ref.Name()));
      return std::nullopt;
    }
    int depth = parent < 0 ? 1 : links_[static_cast<std::size_t>(parent)].depth + 1;
    if (depth > kMaxNesting) {
      summary_.notes.push_back("Nesting too deep at " + std::string(ref.Name()));
      return std::nullopt;
    }
    return ChainLink{file, parent, depth};
  }

  // Adds `name` to the names not found, unless it is there already.
  void NoteNotFound(std::string_view name) {
    if (notFoundKeys_.insert(NameKey(name)).second) summary_.notFound.emplace_back(name);
  }

  // Judges the reference at `i` to `file` at nesting `depth` by where its
  // full expansion lies; keeps or empties it when the judge says so and
  // answers true, answers false when it is to be inlined.
  bool Settle(int i, const SubfileRef& ref, const Subfile* file, int depth) {
    const Extent& extent = ExtentOf(file, 0);
    Verdict verdict = Verdict::kInline;
    // A file with texture blocks is always inlined, so that its blocks are
    // placed and split with its lines.
    if (extent.known && !extent.textured && depth + extent.height <= kMaxNesting) {
      placedPoints_.clear();
      for (const Point& p : extent.points) placedPoints_.push_back(Placed(ref, p));
      verdict = (*judge_)(placedPoints_);
    }
    switch (verdict) {
      case Verdict::kKeepWhole:
        ++summary_.fates.keptWhole;
        KeepMirror(i, ref);
        summary_.kept.push_back({i, passesCulling_[static_cast<std::size_t>(i)]});
        return true;
      case Verdict::kRemoveWhole:
        ++summary_.fates.removedWhole;
        model_.EraseElement(i);
        return true;
      case Verdict::kInline:
        break;
    }
    ++summary_.fates.inlined;
    return false;
  }

  // A reference kept whole is written with its whole placement, from which
  // a reader takes its mirror. Where a singular matrix on the way down has
  // lost a mirror above it (see Place), that placement does not mirror
  // although what it places is mirrored: the reference's inversion is turned
  // instead, which turns its polygons the same way.
  void KeepMirror(int i, const SubfileRef& ref) {
    if (i < topSize_) return;
    if (mirrorOf_[static_cast<std::size_t>(i - topSize_)] != MirrorSign(ref.Placement())) {
      Element& element = model_.ElementAt(i);
      element.winding = static_cast<std::int8_t>(-element.winding);
    }
  }

  // The extent of `file`, worked out on its first use from its elements and
  // the extents of the files it references. `level` counts the files whose
  // extents are being worked out above this one: a file met again on that
  // way is a cycle, and a way longer than the nesting limit is not followed.
  const Extent& ExtentOf(const Subfile* file, int level) {
    if (auto known = extents_.find(file); known != extents_.end()) return known->second;
    Extent extent;
    if (level > kMaxNesting || !extentsInProgress_.insert(file).second) {
      extent.known = false;
      return extents_.emplace(file, std::move(extent)).first->second;
    }
    ExtentBuilder builder;
    const PreparedFile& prepared = PreparedFor(file, budget_);
    // A file of more lines than the budget has no extent: its reference is
    // inlined, and the expansion stops there.
    if (prepared.truncated) extent.known = false;
    extent.textured = prepared.textured;
    for (const PreparedElement& original : prepared.elements) {
      const Element& element = *original.element;
      if (element.LineType() != kSubfileType) {
        AddClassifiedPoints(element, builder);
        continue;
      }
      const auto& ref = static_cast<const SubfileRef&>(element);
      const Subfile* child = searchPath_.Open(ref.Name());
      if (!child) {
        extent.known = false;
        break;
      }
      const Extent& inner = ExtentOf(child, level + 1);
      if (!inner.known) {
        extent.known = false;
        break;
      }
      extent.height = std::max(extent.height, inner.height + 1);
      extent.textured = extent.textured || inner.textured;
      for (const Point& p : inner.points) builder.Add(Placed(ref, p));
    }
    extentsInProgress_.erase(file);
    extent.known = extent.known && builder.Finite();
    if (extent.known) extent.points = builder.TakePoints();
    // A file that draws nothing (an empty primitive that a viewer may put a
    // higher-resolution one in place of) is judged by where it is placed,
    // as the split judges a reference that is not expanded.
    if (extent.known && extent.points.empty()) extent.points.push_back({0, 0, 0});
    return extents_.insert_or_assign(file, std::move(extent)).first->second;
  }

  // Whether placing `prepared` would take the model past the element budget.
  bool ExceedsBudget(const PreparedFile& prepared) const {
    return model_.Size() + prepared.lineCount > budget_;
  }

  // The prepared elements of `file`, read on its first use. A file of more
  // than `maxLines` lines is read only that far; placing it would exceed
  // the budget, as ExceedsBudget then says.
  const PreparedFile& PreparedFor(const Subfile* file, std::int64_t maxLines) {
    auto [known, isNew] = preparedFiles_.try_emplace(file);
    if (isNew) known->second = Prepare(file->text, maxLines, model_.Arena());
    return known->second;
  }

  // The winding signs, culling, placement and colour of the reference at
  // `i`, whose winding is already its inversion sign.
  Placement PlacementOf(int i, const SubfileRef& ref, int link) const {
    int mirror = i < topSize_ ? MirrorSign(ref.Placement())
                              : mirrorOf_[static_cast<std::size_t>(i - topSize_)];
    const Colour colour = ref.GetColour();
    return Placement{ref.winding,
                     mirror,
                     ref.winding * mirror == -1,
                     passesCulling_[static_cast<std::size_t>(i)],
                     ref.Placement(),
                     ref.Position(),
                     colour,
                     colour.Number() != kMainColour,
                     link,
                     model_.TagAt(i)};
  }

  // Appends placed copies of the prepared elements, and counts them.
  void Place(const PreparedFile& prepared, const Placement& placement) {
    placedTextures_.assign(prepared.textures.size(), -1);
    for (const PreparedElement& original : prepared.elements) {
      ArenaPtr<Element> element = PlacedCopy(original, placement);
      int type = element->LineType();
      TextureTag tag = PlacedTag(prepared, original.texture, placement);
      if (tag != TextureTag{}) model_.SetTag(model_.Size(), tag);
      if (type != kSubfileType && !tag.hidden) summary_.inlined.Count(type);
      passesCulling_.push_back(type == kSubfileType && placement.culls && original.culled);
      model_.Append(std::move(element));
      linkOf_.push_back(placement.link);
      // A reference mirrors what it places when its own matrix mirrors, one
      // level at a time: the product of the levels' signs is the sign of the
      // whole placement, except where a singular matrix (a flat primitive
      // squashed to nothing in one direction) would lose the signs above it.
      int mirror = 1;
      if (type == kSubfileType) {
        mirror = placement.mirror *
                 MirrorSign(static_cast<const SubfileRef&>(*original.element).Placement());
      }
      mirrorOf_.push_back(static_cast<signed char>(mirror));
    }
  }

  // The place in the model's texture blocks of an element of `prepared`
  // with the place `local` in its file's blocks, placed by `placement`.
  // Each of the file's textures is placed once for each placement of the
  // file, when a line first needs it.
  TextureTag PlacedTag(const PreparedFile& prepared, const TextureTag& local,
                       const Placement& placement) {
    int placed = -1;
    if (local.section != TextureSection::kNone &&
        placement.texture.section != TextureSection::kFallback) {
      int& known = placedTextures_[static_cast<std::size_t>(local.texture)];
      if (known < 0) {
        const DeclaredTexture& declared =
            prepared.textures[static_cast<std::size_t>(local.texture)];
        known = model_.AddTexture(PlacedTexture(
            declared.map.Placed(placement.matrix, placement.position), declared.next));
      }
      placed = known;
    }
    return CombinedTag(placement.texture, local, placed);
  }

  // A copy of `original` placed by `placement`, with its winding: a
  // reference's is its inversion sign; a polygon is reversed where the
  // inversions and the mirror say so, and its winding is the winding of its
  // file where it is culled (1 counter-clockwise, -1 clockwise), 0 where it
  // is not; a line's is 0. A clockwise polygon is turned round only after
  // the split (FlattenBfc), so that a cut gives the same pieces whatever
  // the winding of the file.
  ArenaPtr<Element> PlacedCopy(const PreparedElement& original, const Placement& placement) {
    ArenaPtr<Element> element = CopyElement(*original.element, model_.Arena());
    int type = element->LineType();
    bool polygon = type == kTriangleType || type == kQuadType;
    if (polygon && placement.reversePolygons) element->ReverseWinding();
    element->Transform(placement.matrix);
    element->Translate(placement.position);
    if (type == kSubfileType) {
      element->winding =
          static_cast<std::int8_t>(original.reversed ? -placement.inversion : placement.inversion);
    } else if (polygon && placement.culls && original.culled) {
      element->winding = static_cast<std::int8_t>(original.reversed ? -1 : 1);
    } else {
      element->winding = 0;
    }
    if (placement.inherit) element->InheritColour(placement.colour);
    return element;
  }

  Model& model_;
  SearchPath& searchPath_;
  const int budget_;
  const int topSize_;
  ExpandSummary summary_;
  std::vector<ChainLink> links_;
  // The chain link that appended each element after the top file's own.
  std::vector<int> linkOf_;
  // The mirror sign of each element appended after the top file's own.
  std::vector<signed char> mirrorOf_;
  // For each element, whether it is a reference that passes culling on:
  // written where its file is certified with CLIP in effect, below
  // references that all pass culling on.
  std::vector<bool> passesCulling_;
  std::unordered_map<const Subfile*, PreparedFile> preparedFiles_;
  std::unordered_set<std::string> notFoundKeys_;
  // Only when references are judged before they are inlined.
  const ExtentJudge* judge_;
  std::unordered_map<const Subfile*, Extent> extents_;
  std::unordered_set<const Subfile*> extentsInProgress_;
  std::vector<Point> placedPoints_;
  // The model's index of each texture of the file being placed, -1 until
  // it is placed.
  std::vector<int> placedTextures_;
};

}  // namespace

ExpandSummary ExpandSubfiles(Model& model, SearchPath& searchPath, int elementBudget) {
  return Expansion(model, searchPath, elementBudget).Run();
}

ExpandSummary ExpandWhereChanged(Model& model, SearchPath& searchPath, const ExtentJudge& judge,
                                 int elementBudget) {
  return Expansion(model, searchPath, elementBudget, &judge).Run();
}

}  // namespace halvex
