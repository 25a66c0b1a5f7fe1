#include "model/subfile_expander.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "elements/meta_line.h"
#include "elements/subfile_ref.h"
#include "geometry/ascii_case.h"
#include "model/ldraw_reader.h"

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

// What the expansion needs of a subfile, found once however often the file
// is placed: the count of the lines the reader finds in it, with every kind
// of line end (a bound on the elements the file adds), and the elements of
// the lines the expansion keeps, as read; every placement places copies of
// them. Empty lines and lines of no known type make no element. Comments are
// dropped too, so that a file's header is not read again at every placement,
// but each run of them leaves a null entry behind: a dropped comment still
// stands between a BFC INVERTNEXT line and the reference after it, which
// that line then no longer inverts. The elements are made in the model's
// arena, so the texts their copies share live as long as the model.
struct PreparedFile {
  std::int64_t lineCount = 0;
  std::vector<ArenaPtr<Element>> elements;
};

PreparedFile Prepare(std::string_view text, ElementArena& arena) {
  PreparedFile prepared;
  LineCursor cursor(text);
  std::string_view line;
  while (cursor.Next(&line)) {
    ++prepared.lineCount;
    ArenaPtr<Element> element = ParseLine(line, arena);
    if (!element) continue;
    if (element->LineType() == kMetaType && MetaKindOfElement(*element) == MetaKindCode::kNone) {
      if (prepared.elements.empty() || prepared.elements.back()) prepared.elements.emplace_back();
      continue;
    }
    prepared.elements.push_back(std::move(element));
  }
  return prepared;
}

// How one reference places its file: the winding sign its references get
// (its own, negated after a BFC INVERTNEXT line), whether its polygons are
// reversed (that sign, negated again by a mirroring matrix), its placement
// and the colour given to elements of colour 16.
struct Placement {
  int inversion;
  bool reversePolygons;
  Matrix3 matrix;
  Point position;
  Colour colour;
  bool inherit;
  int link;
};

// One run of ExpandSubfiles: the walk over the model and what it keeps
// between references.
class Expansion {
 public:
  Expansion(Model& model, SearchPath& searchPath, int elementBudget)
      : model_(model), searchPath_(searchPath), budget_(elementBudget), topSize_(model.Size()) {}

  ExpandSummary Run() {
    for (int i = 0; i < model_.Size(); ++i) {
      if (model_.ElementAt(i).LineType() != kSubfileType) continue;
      const auto& ref = static_cast<const SubfileRef&>(model_.ElementAt(i));
      const Subfile* file = searchPath_.Open(ref.Name());
      if (!file) {
        NoteNotFound(ref.Name());
        continue;
      }
      std::optional<ChainLink> link = GuardChain(i, ref, file);
      if (!link) continue;
      const PreparedFile& prepared = PreparedFor(file);
      if (ExceedsBudget(prepared)) {
        summary_.result = ExpandResult::kTooManyElements;
        return std::move(summary_);
      }
      links_.push_back(*link);
      Place(prepared, PlacementOf(i, ref, static_cast<int>(links_.size()) - 1));
      RemoveReference(i);
    }
    return std::move(summary_);
  }

 private:
  // The chain link of the reference at `i` to `file`, or none, with a note,
  // when `file` is already being expanded on the reference's chain of
  // enclosing references or the nesting would be too deep.
  std::optional<ChainLink> GuardChain(int i, const SubfileRef& ref, const Subfile* file) {
    int parent = i < topSize_ ? -1 : linkOf_[static_cast<std::size_t>(i - topSize_)];
    if (IsOnChain(links_, parent, file)) {
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
    std::string key(name);
    for (char& c : key) c = c == '/' ? '\\' : AsciiLower(c);
    if (notFoundKeys_.insert(std::move(key)).second) summary_.notFound.emplace_back(name);
  }

  // Whether placing `prepared` would take the model past the element budget.
  bool ExceedsBudget(const PreparedFile& prepared) const {
    return model_.Size() + prepared.lineCount > budget_;
  }

  // The prepared elements of `file`, read on its first placement.
  const PreparedFile& PreparedFor(const Subfile* file) {
    auto [known, isNew] = preparedFiles_.try_emplace(file);
    if (isNew) known->second = Prepare(file->text, model_.Arena());
    return known->second;
  }

  // The winding signs, placement and colour of the reference at `i`.
  Placement PlacementOf(int i, const SubfileRef& ref, int link) const {
    int inversion = model_.FollowsInvertNext(i) ? -ref.winding : ref.winding;
    int flip = Determinant(ref.Placement()) < 0.0 ? -inversion : inversion;
    const Colour colour = ref.GetColour();
    return Placement{inversion,
                     flip == -1,
                     ref.Placement(),
                     ref.Position(),
                     colour,
                     colour.Number() != kMainColour,
                     link};
  }

  // Appends placed copies of the prepared elements, and counts them.
  // Comments of subfiles are dropped; their BFC lines stay. Where dropped
  // comments follow a BFC INVERTNEXT line, an empty place keeps that line
  // apart from the next element, as the comment would have; anywhere else
  // an empty place would change nothing, and none is added.
  void Place(const PreparedFile& prepared, const Placement& placement) {
    for (const ArenaPtr<Element>& original : prepared.elements) {
      if (!original) {
        if (model_.FollowsInvertNext(model_.Size())) {
          model_.AppendEmpty();
          linkOf_.push_back(placement.link);
        }
        continue;
      }
      ArenaPtr<Element> element = PlacedCopy(*original, placement);
      int type = element->LineType();
      if (type != kSubfileType) summary_.inlined.Count(type);
      model_.Append(std::move(element));
      linkOf_.push_back(placement.link);
    }
  }

  // A copy of `original` placed by `placement`, with its winding: a
  // reference's is the inversion sign, any other element's the
  // certification its file declared last, carried over from file to file.
  ArenaPtr<Element> PlacedCopy(const Element& original, const Placement& placement) {
    ArenaPtr<Element> element = CopyElement(original, model_.Arena());
    int type = element->LineType();
    if (type == kMetaType) certification_ = CertifiedWinding(*element, certification_);
    if (placement.reversePolygons && (type == kTriangleType || type == kQuadType)) {
      element->ReverseWinding();
    }
    element->Transform(placement.matrix);
    element->Translate(placement.position);
    element->winding = type == kSubfileType ? placement.inversion : certification_;
    if (placement.inherit) element->InheritColour(placement.colour);
    return element;
  }

  // Empties the expanded reference at `i` and a BFC INVERTNEXT line right
  // before it.
  void RemoveReference(int i) {
    model_.ReplaceWithEmpty(i);
    if (model_.FollowsInvertNext(i)) model_.ReplaceWithEmpty(i - 1);
  }

  Model& model_;
  SearchPath& searchPath_;
  const int budget_;
  const int topSize_;
  ExpandSummary summary_;
  int certification_ = 0;
  std::vector<ChainLink> links_;
  // The chain link that appended each element after the top file's own.
  std::vector<int> linkOf_;
  std::unordered_map<const Subfile*, PreparedFile> preparedFiles_;
  std::unordered_set<std::string> notFoundKeys_;
};

}  // namespace

ExpandSummary ExpandSubfiles(Model& model, SearchPath& searchPath, int elementBudget) {
  return Expansion(model, searchPath, elementBudget).Run();
}

}  // namespace halvex
