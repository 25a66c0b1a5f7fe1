#include "model/subfile_expander.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "elements/meta_line.h"
#include "elements/subfile_ref.h"
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

bool FollowsInvertNext(const Model& model, int i) {
  return i > 0 && MetaKindOfElement(model.ElementAt(i - 1)) == MetaKindCode::kInvertNext;
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

bool EndsWithInvertNext(const Model& model) { return FollowsInvertNext(model, model.Size()); }

}  // namespace

ExpandSummary ExpandSubfiles(Model& model, SearchPath& searchPath, int elementBudget) {
  ExpandSummary summary;
  ElementCounts& counts = summary.inlined;
  int certification = 0;
  const int topSize = model.Size();
  std::vector<ChainLink> links;
  // The chain link that appended each element after the top file's own.
  std::vector<int> linkOf;
  std::unordered_map<const Subfile*, PreparedFile> preparedFiles;

  for (int i = 0; i < model.Size(); ++i) {
    if (model.ElementAt(i).LineType() != kSubfileType) continue;
    const auto& ref = static_cast<const SubfileRef&>(model.ElementAt(i));
    const Subfile* file = searchPath.Open(ref.Name());
    if (!file) continue;
    int parent = i < topSize ? -1 : linkOf[static_cast<std::size_t>(i - topSize)];
    if (IsOnChain(links, parent, file)) {
      summary.notes.push_back("Circular reference to " + std::string(ref.Name()));
      continue;
    }
    int depth = parent < 0 ? 1 : links[static_cast<std::size_t>(parent)].depth + 1;
    if (depth > kMaxNesting) {
      summary.notes.push_back("Nesting too deep at " + std::string(ref.Name()));
      continue;
    }
    auto [known, isNew] = preparedFiles.try_emplace(file);
    if (isNew) known->second = Prepare(file->text, model.Arena());
    const PreparedFile& prepared = known->second;
    if (model.Size() + prepared.lineCount > elementBudget) {
      summary.result = ExpandResult::kTooManyElements;
      return summary;
    }

    int inv = FollowsInvertNext(model, i) ? -ref.winding : ref.winding;
    int flip = Determinant(ref.Placement()) < 0.0 ? -inv : inv;
    const Matrix3 matrix = ref.Placement();
    const Point position = ref.Position();
    const Colour colour = ref.GetColour();
    const bool inherit = colour.Number() != kMainColour;
    links.push_back({file, parent, depth});
    const int link = static_cast<int>(links.size()) - 1;

    // Comments of subfiles are dropped; their BFC lines stay. Where dropped
    // comments follow a BFC INVERTNEXT line, an empty place keeps that line
    // apart from the next element, as the comment would have; anywhere else
    // an empty place would change nothing, and none is added.
    for (const ArenaPtr<Element>& original : prepared.elements) {
      if (!original) {
        if (EndsWithInvertNext(model)) {
          model.AppendEmpty();
          linkOf.push_back(link);
        }
        continue;
      }
      ArenaPtr<Element> element = CopyElement(*original, model.Arena());
      int type = element->LineType();
      if (type == kMetaType) {
        MetaKindCode kind = MetaKindOfElement(*element);
        if (kind == MetaKindCode::kCertifyCcw) certification = 1;
        if (kind == MetaKindCode::kCertifyCw) certification = -1;
      }
      if (type != kSubfileType) counts.Count(type);
      if (flip == -1 && (type == kTriangleType || type == kQuadType)) element->ReverseWinding();
      element->Transform(matrix);
      element->Translate(position);
      element->winding = type == kSubfileType ? inv : certification;
      if (inherit) element->InheritColour(colour);
      model.Append(std::move(element));
      linkOf.push_back(link);
    }
    model.ReplaceWithEmpty(i);
    if (FollowsInvertNext(model, i)) model.ReplaceWithEmpty(i - 1);
  }

  return summary;
}

}  // namespace halvex
