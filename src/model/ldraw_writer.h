// Writing a Model as an LDraw file, one element per line with CR LF line
// ends.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "model/element_counts.h"
#include "model/model.h"

namespace halvex {

class PathResolver;

enum class SaveResult { kSaved, kCantCreate, kCantWrite };

// What a save did: the lines written and the counts of the elements saved.
struct SaveSummary {
  SaveResult result = SaveResult::kSaved;
  std::string reason;  // The system's words for a failure.
  int linesWritten = 0;
  ElementCounts counts;
};

// A line written before element `before` of a model, which is not one of
// its elements; `text` is the whole line without its line end.
struct InsertedLine {
  int before;
  std::string_view text;
};

// Writes every element with a non-empty text, in order (one whose place is
// tagged hidden is written behind "0 !: " and not counted, see
// texture_blocks.h), and each of the `inserted` lines (sorted by `before`)
// right before its element (those before Size() after the last), counted
// among the lines written; then `after` as it is (the embedded files of an
// MPD, not counted in the summary). On failure the file is left as it was.
[[nodiscard]] SaveSummary Save(const Model& model, const std::string& fileName,
                               PathResolver& resolver,
                               std::span<const InsertedLine> inserted = {},
                               std::string_view after = {});

// Appends the line Save writes for `element`, outside texture blocks: its
// text and CR LF, or nothing for an element without text. Answers whether it
// wrote a line.
bool AppendLine(const Element& element, std::string& text);

}  // namespace halvex
