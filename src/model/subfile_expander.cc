#include "model/subfile_expander.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "elements/subfile_ref.h"
#include "model/bfc_state.h"
#include "model/ldraw_reader.h"
#include "model/library_name.h"
#include "model/prepared_file.h"
#include "model/reference_judge.h"
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

// -1 for a matrix that mirrors, +1 for any other, a singular one included.
int MirrorSign(const Matrix3& m) { return Determinant(m) < 0.0 ? -1 : 1; }

// What the walk keeps of a reference in the model until it reaches it: the
// chain link that placed it (-1 for one of the top file's own), the sign of
// the mirror in its whole placement, and whether it passes culling on to
// what it places (it was written where its file is certified with CLIP in
// effect, below references that all pass culling on). Records are made in
// the order of the model, as references are read or placed, and taken in
// that order by the walk.
struct ReferenceRecord {
  int link;
  int mirror;
  bool passesCulling;
  // A fraction primitive written in place of a cut one: kept as it is.
  bool substitute = false;
};

// How one reference places its file: the inversion sign of the reference
// (its inherited sign, negated by a BFC INVERTNEXT), its mirror sign (see
// ReferenceRecord), whether its polygons are reversed (the inversion sign,
// negated again by the mirror), whether its polygons may be culled (it
// passes culling on), its placement, the colour given to elements of
// colour 16, and its own place in the model's texture blocks.
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

// A full expansion made only to compare what it places (see
// FindFractionSubstitutes) stops beyond this many elements: a circular
// primitive places a few hundred.
constexpr int kScratchBudget = 100'000;

// One run of ExpandSubfiles: the walk over the model by index, placing the
// files of references at its end, with the records of the references it has
// yet to reach. Judging references (ExpandWhereChanged) is ReferenceJudge's
// job, finding fraction primitives FindFractionSubstitutes', saying culling
// in the flat file FlattenBfc's.
class Expansion final : private FractionHost {
 public:
  Expansion(Model& model, SearchPath& searchPath, int elementBudget,
            const ExtentJudge* judge = nullptr, const FractionRules* fractions = nullptr)
      : model_(model),
        searchPath_(searchPath),
        budget_(elementBudget),
        topSize_(model.Size()),
        ownFiles_(model.Arena()),
        files_(ownFiles_),
        fractions_(fractions) {
    if (judge) judge_.emplace(searchPath, files_, *judge, elementBudget);
  }

  ExpandSummary Run() {
    ReadTopFile();
    return Walk();
  }

 private:
  // A full expansion of the one reference in `scratch` (its record pushed by
  // the caller), reading its files from `files` (those of an expansion under
  // way) at most `prepareLimit` lines deep, as that expansion would read
  // them.
  Expansion(Model& scratch, SearchPath& searchPath, PreparedFiles& files, int prepareLimit)
      : model_(scratch),
        searchPath_(searchPath),
        budget_(kScratchBudget),
        topSize_(scratch.Size()),
        ownFiles_(scratch.Arena()),
        files_(files),
        prepareLimit_(prepareLimit) {}

  ExpandSummary Walk() {
    for (int i = 0; i < model_.Size(); ++i) {
      if (model_.ElementAt(i).LineType() != kSubfileType) continue;
      const ReferenceRecord record = records_.front();
      records_.pop_front();
      const auto& ref = static_cast<const SubfileRef&>(model_.ElementAt(i));
      if (record.substitute) {
        summary_.kept.push_back({i, record.passesCulling, KeptInverted(record, ref)});
        continue;
      }
      const Subfile* file = searchPath_.Open(ref.Name());
      if (!file) {
        NoteNotFound(ref.Name());
        ++summary_.fates.notFound;
        continue;
      }
      std::optional<ChainLink> link = GuardChain(record, ref, file);
      if (!link) continue;
      if (judge_ && Settle(i, record, ref, file, link->depth)) continue;
      if (fractions_ && Substitute(i, record, ref)) continue;
      if (judge_) ++summary_.fates.inlined;
      const PreparedFile& prepared =
          files_.Of(file, prepareLimit_.value_or(budget_ - model_.Size()));
      // A file read only in part never fits: for the model's own expansion
      // it exceeds the budget anyway, and a comparison must not see part of
      // a file.
      if (ExceedsBudget(prepared) || prepared.truncated) {
        summary_.result = ExpandResult::kTooManyElements;
        return std::move(summary_);
      }
      links_.push_back(*link);
      Place(prepared, PlacementOf(record, ref, static_cast<int>(links_.size()) - 1, i));
      model_.EraseElement(i);
    }
    return std::move(summary_);
  }

  // Reads the BFC statements of the top file: each reference's winding
  // becomes its inversion sign, and each polygon takes the winding in effect
  // and whether it is culled, as placed elements do. A BFC INVERTNEXT that
  // ends the file applies to nothing and is emptied, so that it cannot apply
  // to a reference placed after it.
  void ReadTopFile() {
    BfcState bfc;
    for (int i = 0; i < topSize_; ++i) {
      Element& element = model_.ElementAt(i);
      bfc.Take(element);
      int type = element.LineType();
      if (type == kSubfileType) {
        element.winding = static_cast<std::int8_t>(bfc.LastReferenceInverted() ? -1 : 1);
        const auto& ref = static_cast<const SubfileRef&>(element);
        records_.push_back({-1, MirrorSign(ref.Placement()), bfc.Culls()});
      }
      if (type == kTriangleType || type == kQuadType) {
        element.winding = static_cast<std::int8_t>(bfc.Winding());
        element.culled = bfc.Culls();
      }
    }
    summary_.topCertified = bfc.Certified();
    for (int marker : model_.EndFile()) model_.ReplaceWithEmpty(marker);
  }

  // The chain link of the reference `ref` to `file`, or none, with a note,
  // when `file` is already being expanded on the reference's chain of
  // enclosing references or the nesting would be too deep.
  std::optional<ChainLink> GuardChain(const ReferenceRecord& record, const SubfileRef& ref,
                                      const Subfile* file) {
    // The top file stands at the start of every chain.
    if (file->top || IsOnChain(links_, record.link, file)) {
      summary_.notes.push_back("Circular reference to " + std::string(ref.Name()));
      return std::nullopt;
    }
    int depth = record.link < 0 ? 1 : links_[static_cast<std::size_t>(record.link)].depth + 1;
    if (depth > kMaxNesting) {
      summary_.notes.push_back("Nesting too deep at " + std::string(ref.Name()));
      return std::nullopt;
    }
    return ChainLink{file, record.link, depth};
  }

  // Adds `name` to the names not found, unless it is there already.
  void NoteNotFound(std::string_view name) {
    if (notFoundKeys_.insert(NameKey(name)).second) summary_.notFound.emplace_back(name);
  }

  // Judges the reference `ref` at `i` to `file` at nesting `depth`; keeps or
  // empties it when the judge says so and answers true, answers false when
  // it is to be inlined.
  bool Settle(int i, const ReferenceRecord& record, const SubfileRef& ref, const Subfile* file,
              int depth) {
    switch (judge_->Judge(ref, file, depth)) {
      case Verdict::kKeepWhole:
        ++summary_.fates.keptWhole;
        summary_.kept.push_back({i, record.passesCulling, KeptInverted(record, ref)});
        return true;
      case Verdict::kRemoveWhole:
        ++summary_.fates.removedWhole;
        model_.EraseElement(i);
        return true;
      case Verdict::kInline:
        break;
    }
    return false;
  }

  // Writes the reference `ref` at `i` to a circular primitive, which the
  // split would cut, as fraction primitives where they fit (see
  // FindFractionSubstitutes): appends them, each with a record that keeps
  // it, and empties `ref`. False when it is to be inlined.
  bool Substitute(int i, const ReferenceRecord& record, const SubfileRef& ref) {
    if (!ReadCircularPrimitive(ref.Name())) return false;
    ++summary_.fates.cutPrimitives;
    // A reference in a texture block is textured or stands in for textured
    // geometry: it keeps its place there, and is inlined.
    if (model_.TagAt(i) != TextureTag{}) return false;
    std::optional<std::vector<FractionSubstitute>> substitutes = FindFractionSubstitutes(
        ref, record.mirror, record.passesCulling, fractions_->planes, *this, model_.Arena(), held_);
    if (!substitutes) return false;
    ++summary_.fates.substituted;
    if (fractions_->substituted) fractions_->substituted();
    for (FractionSubstitute& substitute : *substitutes) {
      records_.push_back({record.link, substitute.mirror, record.passesCulling, true});
      model_.Append(std::move(substitute.ref));
    }
    model_.EraseElement(i);
    return true;
  }

  bool PlaceFully(const SubfileRef& ref, int mirror, bool passesCulling, Model& scratch) override {
    scratch.Append(CopyElement(ref, scratch.Arena()));
    Expansion full(scratch, searchPath_, files_, prepareLimit_.value_or(budget_ - model_.Size()));
    full.records_.push_back({-1, mirror, passesCulling});
    ExpandSummary summary = full.Walk();
    return summary.result == ExpandResult::kExpanded && summary.notes.empty() &&
           summary.notFound.empty();
  }

  bool Holds(std::string_view name) override { return searchPath_.Open(name) != nullptr; }

  void Split(Model& model) override { fractions_->split(model); }

  // Whether a reference kept whole is written inverted. It is written with
  // its whole placement, from which a reader takes its mirror. Where a
  // singular matrix on the way down has lost a mirror above it (see Place),
  // that placement does not mirror although what it places is mirrored: its
  // inversion is turned instead, which turns its polygons the same way.
  // (A reference of the top file, or a fraction written in place of one,
  // has the mirror of its own matrix: the two agree unless it is a
  // fraction mirrored by a singular matrix.)
  static bool KeptInverted(const ReferenceRecord& record, const SubfileRef& ref) {
    int inversion = ref.winding;
    if (record.mirror != MirrorSign(ref.Placement())) inversion = -inversion;
    return inversion == -1;
  }

  // Whether placing `prepared` would take the model past the element budget.
  bool ExceedsBudget(const PreparedFile& prepared) const {
    return model_.Size() + prepared.lineCount > budget_;
  }

  // The winding signs, culling, placement and colour of `ref`, whose winding
  // is its inversion sign.
  Placement PlacementOf(const ReferenceRecord& record, const SubfileRef& ref, int link,
                        int i) const {
    const Colour colour = ref.GetColour();
    return Placement{ref.winding,
                     record.mirror,
                     ref.winding * record.mirror == -1,
                     record.passesCulling,
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
      if (type == kSubfileType) {
        // A reference mirrors what it places when its own matrix mirrors,
        // one level at a time: the product of the levels' signs is the sign
        // of the whole placement, except where a singular matrix (a flat
        // primitive squashed to nothing in one direction) would lose the
        // signs above it.
        int mirror = placement.mirror *
                     MirrorSign(static_cast<const SubfileRef&>(*original.element).Placement());
        records_.push_back({placement.link, mirror, placement.culls && original.culled});
      } else if (!tag.hidden) {
        // A hidden line is counted nowhere, as when it is read.
        summary_.placed.Count(type);
      }
      model_.Append(std::move(element));
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

  // A copy of `original` placed by `placement`. A reference's winding is its
  // inversion sign. A polygon is reversed where the inversions and the
  // mirror say so; its winding is then the winding of its file (1
  // counter-clockwise, -1 clockwise), and it is culled where its file culls
  // it and every reference on its way down passes culling on. A clockwise
  // polygon is turned round only after the split (FlattenBfc), so that a cut
  // gives the same pieces whatever the winding of the file.
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
    } else if (polygon) {
      element->winding = static_cast<std::int8_t>(original.reversed ? -1 : 1);
      element->culled = placement.culls && original.culled;
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
  // The records of the references the walk has yet to reach, in index order.
  std::deque<ReferenceRecord> records_;
  PreparedFiles ownFiles_;
  PreparedFiles& files_;
  // Set for a full expansion made for a comparison: how deep the expansion
  // it serves reads a file (see PreparedFiles::Of), so that a file it reads
  // first is read as that expansion would read it.
  std::optional<int> prepareLimit_;
  const FractionRules* fractions_ = nullptr;
  // Whether the library holds each fraction primitive's name asked about.
  std::unordered_map<std::string, bool> held_;
  std::unordered_set<std::string> notFoundKeys_;
  // Only when references are judged before they are inlined.
  std::optional<ReferenceJudge> judge_;
  // The model's index of each texture of the file being placed, -1 until
  // it is placed.
  std::vector<int> placedTextures_;
};

}  // namespace

ExpandSummary ExpandSubfiles(Model& model, SearchPath& searchPath, int elementBudget) {
  return Expansion(model, searchPath, elementBudget).Run();
}

ExpandSummary ExpandWhereChanged(Model& model, SearchPath& searchPath, const ExtentJudge& judge,
                                 int elementBudget, const FractionRules* fractions) {
  return Expansion(model, searchPath, elementBudget, &judge, fractions).Run();
}

}  // namespace halvex
