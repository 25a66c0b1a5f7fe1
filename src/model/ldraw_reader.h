// Reading LDraw files: turning each line (see line_cursor.h) of a
// known type into its element, and loading a whole file into a Model with
// the load report.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "elements/element.h"
#include "model/element_counts.h"
#include "model/line_cursor.h"
#include "model/model.h"

namespace halvex {

class EmbeddedFiles;
class PathResolver;

// The element for one line, or none for a line that makes no element: an
// empty line, one that does not begin with an integer, or one whose integer
// is not a line type 0 to 5. A meta line gets the text after its first "0"
// and the character after it; the other types parse the whole line. The
// element is made in `arena`, together with the texts it keeps (a meta
// line's text, a reference's name), so `line` need not outlive it.
ArenaPtr<Element> ParseLine(std::string_view line, ElementArena& arena);

// The text of a meta line `line` (one whose integer is 0): what follows its
// first "0" and the character after that.
std::string_view MetaTextOf(std::string_view line);

// A copy of an element of one of the line types 0 to 5 or of an
// EmptyElement, made in `arena`. The copy shares the texts the element keeps,
// so they must outlive it.
ArenaPtr<Element> CopyElement(const Element& element, ElementArena& arena);

// Appends copies (see CopyElement) of the elements of `from` to `to`.
void AppendCopies(Model& to, const Model& from);

// Appends the elements of `text` to `model` and sets their winding: +1 on
// subfile references, on every other element the winding the file's last
// BFC CERTIFY line declared (0 before one). Load's work on a file's text, and
// the tests' way to make a model from text. With `embedded`, as Load.
ElementCounts LoadText(Model& model, std::string_view text, EmbeddedFiles* embedded = nullptr);

// Why `name` names no regular file to read, in words for after the name
// ("is a folder", "is not a regular file": a device, a pipe); empty when
// nothing exists there.
std::string WhyNoFile(std::string_view name, PathResolver& resolver);

// Why ReadFileText gave no text.
struct ReadFailure {
  // Whether the file was opened: then it held more than it may, or stopped
  // being readable part-way; else it is no regular file or could not be
  // opened.
  bool opened = false;
  // In words for after the file's name: "is a folder", "is not a regular
  // file", the system's words, "could not be read to its end"; empty when
  // nothing exists at the path.
  std::string reason;
};

// The whole content of a regular file, less a UTF-8 byte order mark at its
// start; none, with why in `failure`, when it cannot be opened, holds more
// than `maxBytes` or stops being readable part-way.
std::optional<std::string> ReadFileText(const std::string& path, std::uint64_t maxBytes,
                                        ReadFailure* failure);

// What a load did: the size of the model after it, and the counts of the
// elements the file added.
struct LoadSummary {
  int modelSize = 0;
  ElementCounts counts;
};

// Reads the file into `model`, after what it holds (a UTF-8 byte order mark
// at its start is skipped). None when the file cannot be opened for reading
// (with nothing appended) or stops being readable part-way; then `reason`
// says why in words for after the file's name ("is a folder", "is not a
// regular file", the system's words), and is empty when nothing exists at
// the name. Given `embedded`, a file with "0 FILE" lines is read as an MPD:
// only its first section goes into `model` (and into the summary),
// everything after it into `embedded`.
[[nodiscard]] std::optional<LoadSummary> Load(Model& model, const std::string& fileName,
                                              PathResolver& resolver, std::string* reason,
                                              EmbeddedFiles* embedded = nullptr);

// Reads a large file a part at a time, for a run that deals with each part
// and lets it go instead of holding the whole model. A part is the lines of
// a batch of the pieces Load reads (a piece per core, parsed on every
// core), and of the pieces after it up to the reference of a BFC INVERTNEXT
// statement that would be parted from it. The parts' models, one after another, hold the
// elements Load puts in one model, with the same winding. Given `embedded`,
// an MPD is read as Load reads it: the lines after the model's section go
// there.
class PartReader {
 public:
  explicit PartReader(EmbeddedFiles* embedded = nullptr);
  PartReader(const PartReader&) = delete;
  PartReader& operator=(const PartReader&) = delete;
  ~PartReader();

  // False when the file cannot be opened for reading, with `reason` as Load
  // gives it.
  bool Open(const std::string& fileName, PathResolver& resolver, std::string* reason);
  // Loads the next part into `part`, an empty model. The elements of a part
  // live until the call after the next, or the reader's end: a part can be
  // split while the next is read, but must be cleared or gone by then. False
  // when the file held nothing more; also when it stopped being readable
  // part-way, as Failed tells.
  bool Next(Model& part);
  bool Failed() const;
  // The system's words for why the file stopped being readable.
  const std::string& Reason() const;
  // What the load did so far, as Load would report it.
  LoadSummary Summary() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace halvex
