#include "checking/placed_check.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "checking/duplicate_rules.h"
#include "checking/element_rules.h"
#include "checking/file_check.h"
#include "checking/rule_names.h"
#include "elements/coloured_element.h"
#include "elements/subfile_ref.h"
#include "model/library_name.h"
#include "model/subfile_expander.h"

namespace halvex {
namespace {

// Where a placed line comes from: the top file's line whose reference
// places it, and its own file (as the reference names it) and line; a line
// of the top file itself has no file.
struct Origin {
  int topLine;
  std::string_view file;
  int line;
};

// "stud.dat line 4", as a message names where a placed line is written.
std::string WrittenAt(const Origin& origin) {
  return std::string(origin.file) + " line " + std::to_string(origin.line);
}

// How a file is placed: the matrix and offset that take its points to the
// top file's coordinates, and the colour its colour 16 stands for.
struct Placement {
  Matrix3 matrix;
  Point offset;
  int colour;
};

Placement Compose(const Placement& outer, const SubfileRef& ref) {
  int colour = ref.GetColour().Number();
  return Placement{Multiply(outer.matrix, ref.Placement()),
                   Add(Apply(outer.matrix, ref.Position()), outer.offset),
                   colour == kMainColour ? outer.colour : colour};
}

// One subfile read for the walk, with what the geometry rules say of each
// of its lines as written, worked out on first use.
struct ParsedFile {
  std::unique_ptr<SourceFile> source;
  std::vector<std::optional<Finding>> own;
  std::vector<bool> ownKnown;
};

// Findings of one kind at one top line, reported once: the first, and how
// many more there were.
struct Note {
  Finding first;
  bool open = false;  // whether the message opened a parenthesis
  int more = 0;
};

class PlacedWalk {
 public:
  PlacedWalk(SearchPath& searchPath, std::int64_t budget, bool compareLines)
      : searchPath_(searchPath), budget_(budget), compareLines_(compareLines) {}

  PlacedCheck Run(const SourceFile& top) {
    const Matrix3 identity{1, 0, 0, 0, 1, 0, 0, 0, 1};
    for (const SourceLine& line : top.Lines()) {
      if (!line.element || stopped_) continue;
      const int type = line.element->LineType();
      if (type == kSubfileType) {
        const auto& ref = static_cast<const SubfileRef&>(*line.element);
        PlaceReference(ref, Placement{identity, {0, 0, 0}, kMainColour}, line.number, 1);
      } else if (type >= kEdgeType && type <= kCondType) {
        ElementPoints points = PointsOf(*line.element);
        Index(type, ColourOf(*line.element, kMainColour), points,
              Origin{line.number, {}, line.number});
      }
    }
    Report();
    SortByLine(result_.findings);
    result_.stopped = stopped_;
    return std::move(result_);
  }

 private:
  static int ColourOf(const Element& element, int inherited) {
    int colour = static_cast<const ColouredElement&>(element).GetColour().Number();
    return colour == kMainColour ? inherited : colour;
  }

  // Places the file `ref` names below `outer`, unless the expansion would
  // leave the reference as it is.
  void PlaceReference(const SubfileRef& ref, const Placement& outer, int topLine, int depth) {
    const Subfile* file = searchPath_.Open(ref.Name());
    if (!file) {
      if (notFoundKeys_.insert(NameKey(ref.Name())).second) {
        result_.notFound.emplace_back(ref.Name());
      }
      return;
    }
    if (file->top || depth > kMaxNesting) return;
    for (const Subfile* enclosing : chain_) {
      if (enclosing == file) return;
    }
    chain_.push_back(file);
    PlaceFile(*file, ref.Name(), Compose(outer, ref), topLine, depth);
    chain_.pop_back();
  }

  void PlaceFile(const Subfile& file, std::string_view name, const Placement& placement,
                 int topLine, int depth) {
    ParsedFile& parsed = Parsed(file);
    const std::vector<SourceLine>& lines = parsed.source->Lines();
    for (std::size_t k = 0; k < lines.size() && !stopped_; ++k) {
      const Element* element = lines[k].element;
      if (!element) continue;
      const int type = element->LineType();
      if (type == kSubfileType) {
        PlaceReference(static_cast<const SubfileRef&>(*element), placement, topLine, depth + 1);
        continue;
      }
      if (type < kEdgeType || type > kCondType) continue;
      if (++placedLines_ > budget_) {
        stopped_ = true;
        return;
      }
      ElementPoints points = PointsOf(*element);
      for (int p = 0; p < points.count; ++p) {
        points.points[p] = Add(Apply(placement.matrix, points.points[p]), placement.offset);
      }
      Origin origin{topLine, name, lines[k].number};
      if (std::optional<Finding> finding = GeometryFinding(type, points)) {
        const std::optional<Finding>& own = OwnFinding(parsed, k);
        if (!own || own->rule != finding->rule || own->severity != finding->severity) {
          NoteGeometry(std::move(*finding), origin);
        }
      }
      Index(type, ColourOf(*element, placement.colour), points, origin);
    }
  }

  ParsedFile& Parsed(const Subfile& file) {
    auto [entry, added] = parsed_.try_emplace(&file);
    if (added) {
      entry->second.source = std::make_unique<SourceFile>(file.text);
      entry->second.own.resize(entry->second.source->Lines().size());
      entry->second.ownKnown.resize(entry->second.source->Lines().size());
    }
    return entry->second;
  }

  static const std::optional<Finding>& OwnFinding(ParsedFile& parsed, std::size_t k) {
    if (!parsed.ownKnown[k]) {
      const Element& element = *parsed.source->Lines()[k].element;
      parsed.own[k] = GeometryFinding(element.LineType(), PointsOf(element));
      parsed.ownKnown[k] = true;
    }
    return parsed.own[k];
  }

  void NoteGeometry(Finding finding, const Origin& origin) {
    finding.line = origin.topLine;
    finding.message += " (in " + WrittenAt(origin);
    auto key = std::make_tuple(origin.topLine, finding.rule, finding.severity);
    auto [entry, added] = geometryNotes_.try_emplace(key, Note{std::move(finding), true, 0});
    if (!added) ++entry->second.more;
  }

  // Records a placed line for the duplicate and overlap rules.
  void Index(int type, int colour, const ElementPoints& points, const Origin& origin) {
    if (!compareLines_ || type == kCondType) return;
    const int id = static_cast<int>(origins_.size());
    origins_.push_back(origin);
    int first = duplicates_.AddLine(type, colour, std::span(points.points, points.count), id);
    if (first >= 0) NotePair(rules::kDuplicate, first, id, "same as ", "");
    if (type == kEdgeType) overlaps_.Add(points.points[0], points.points[1], id);
  }

  // A rule broken by two placed lines, at the later's top line. Lines both
  // of the top file are the file check's; lines of one subfile placed by
  // one top line are that file's own.
  void NotePair(std::string_view rule, int earlierId, int laterId, const char* lead,
                const std::string& measure) {
    const Origin& earlier = origins_[static_cast<std::size_t>(earlierId)];
    const Origin& later = origins_[static_cast<std::size_t>(laterId)];
    if (earlier.file.empty() && later.file.empty()) return;
    if (earlier.topLine == later.topLine && earlier.file == later.file) return;
    std::string message = lead;
    message += earlier.file.empty()
                   ? "line " + std::to_string(earlier.line)
                   : WrittenAt(earlier) + " placed by line " + std::to_string(earlier.topLine);
    message += measure;
    if (!later.file.empty()) message += " (in " + WrittenAt(later);
    Finding finding{later.topLine, Severity::kWarning, rule, std::move(message)};
    auto key = std::make_tuple(later.topLine, earlier.topLine, rule);
    auto [entry, added] =
        pairNotes_.try_emplace(key, Note{std::move(finding), !later.file.empty(), 0});
    if (!added) ++entry->second.more;
  }

  void Report() {
    for (const OverlapIndex::Overlap& overlap : overlaps_.Overlaps()) {
      NotePair(rules::kOverlap, overlap.earlier, overlap.later, "overlaps ",
               " by " + MeasureText(overlap.length) + " LDU");
    }
    for (auto& [key, note] : geometryNotes_) Emit(note);
    for (auto& [key, note] : pairNotes_) Emit(note);
  }

  // Closes a note's parenthesis (when it opened one) with the count of the
  // others like it.
  void Emit(Note& note) {
    bool open = note.open;
    std::string& message = note.first.message;
    if (note.more > 0) {
      message += open ? "; " : " (";
      message += std::to_string(note.more) + " more";
      open = true;
    }
    if (open) message += ')';
    result_.findings.push_back(std::move(note.first));
  }

  SearchPath& searchPath_;
  const std::int64_t budget_;
  const bool compareLines_;
  std::int64_t placedLines_ = 0;
  bool stopped_ = false;
  std::vector<const Subfile*> chain_;
  std::unordered_set<std::string> notFoundKeys_;
  std::unordered_map<const Subfile*, ParsedFile> parsed_;
  std::vector<Origin> origins_;
  DuplicateIndex duplicates_;
  OverlapIndex overlaps_;
  using GeometryKey = std::tuple<int, std::string_view, Severity>;
  using PairKey = std::tuple<int, int, std::string_view>;
  std::map<GeometryKey, Note> geometryNotes_;
  std::map<PairKey, Note> pairNotes_;
  PlacedCheck result_;
};

}  // namespace

PlacedCheck CheckPlaced(const SourceFile& top, SearchPath& searchPath, std::int64_t budget,
                        bool compareLines) {
  return PlacedWalk(searchPath, budget, compareLines).Run(top);
}

}  // namespace halvex
