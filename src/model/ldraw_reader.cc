#include "model/ldraw_reader.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "elements/lines.h"
#include "elements/meta_line.h"
#include "elements/polygons.h"
#include "elements/subfile_ref.h"
#include "geometry/number_text.h"
#include "model/embedded_files.h"
#include "model/path_resolver.h"
#include "platform/file_system.h"

namespace halvex {

namespace {

// A file to load is read in pieces of this size, so that a large input is
// never held whole beside the elements made from it.
constexpr std::size_t kPieceSize = 1 << 20;
// A subfile is read whole in pieces of this size: most are small, and every
// piece is cleared before it is read into.
constexpr std::size_t kSubfilePieceSize = 1 << 16;

// Why a path of this kind is no file to read, in words for after its name;
// empty for nothing at all, which the caller reports as not found.
std::string ReasonNoFile(FileKind kind) {
  switch (kind) {
    case FileKind::kFolder:
      return "is a folder";
    case FileKind::kOther:
      return "is not a regular file";
    default:
      return {};
  }
}

// Reads a regular file a piece at a time, less a UTF-8 byte order mark at
// its start. A file that stops being readable part-way ends there, and
// Failed says so.
class FileReader {
 public:
  explicit FileReader(std::size_t pieceSize) : pieceSize_(pieceSize) {}
  // False, with why in `reason` (see ReadFailure), when `path` is not a
  // regular file or cannot be opened.
  bool Open(const std::string& path, std::string* reason) {
    FileKind kind = KindOf(path);
    if (kind != FileKind::kRegular) {
      *reason = ReasonNoFile(kind);
      return false;
    }
    in_.reset(OpenForReading(path));
    if (!in_) *reason = LastErrorText();
    return in_ != nullptr;
  }
  // Appends the next piece of the file to `text`; false, with nothing
  // appended, at the end of the file.
  bool ReadPiece(std::string& text) {
    std::size_t kept = text.size();
    text.resize(kept + pieceSize_);
    std::size_t got = std::fread(text.data() + kept, 1, pieceSize_, in_.get());
    text.resize(kept + got);
    if (got < pieceSize_ && std::ferror(in_.get())) {
      failed_ = true;
      reason_ = LastErrorText();
    }
    if (first_) {
      text.erase(kept, ByteOrderMarkLength(std::string_view(text).substr(kept)));
    }
    first_ = false;
    return text.size() > kept;
  }

  // Whether a read failed (rather than reaching the end of the file), and
  // the system's words for why.
  bool Failed() const { return failed_; }
  const std::string& Reason() const { return reason_; }

 private:
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };

  const std::size_t pieceSize_;
  std::unique_ptr<std::FILE, FileCloser> in_;
  bool first_ = true;
  bool failed_ = false;
  std::string reason_;
};

// Turns lines into the elements of one model, keeping the counts and the
// winding the last BFC CERTIFY line declared from one piece of text to the
// next. Given `embedded`, it reads an MPD: the model is the first section,
// and the lines after it go to `embedded` as they are.
class ElementLoader {
 public:
  ElementLoader(Model& model, EmbeddedFiles* embedded) : model_(model), embedded_(embedded) {}

  void AddLines(std::string_view text) {
    LineCursor cursor(text);
    std::string_view line;
    while (cursor.Next(&line)) {
      if (pastModel_) {
        AddEmbeddedLine(line);
        continue;
      }
      ArenaPtr<Element> element = ParseLine(line, model_.Arena());
      if (!element) continue;
      int type = element->LineType();
      if (embedded_ && type == kMetaType && EndsModel(*element, line)) continue;
      if (embedded_ && embedded_->IsMpd()) embedded_->AddModelLine(line);
      counts_.Count(type);
      certification_ = CertifiedWinding(*element, certification_);
      element->winding = static_cast<std::int8_t>(type == kSubfileType ? 1 : certification_);
      model_.Append(std::move(element));
    }
  }

  const ElementCounts& Counts() const { return counts_; }

 private:
  // Whether the meta line `element` ends the model's section. The first
  // "0 FILE" line makes the file an MPD and stays in the model; a later one,
  // a data section or a "0 NOFILE" line ends the model and is, with the
  // lines after it, the embedded files'. The model's own "0 NOFILE" is
  // written after the elements that expanding and cutting append to it.
  bool EndsModel(const Element& element, std::string_view line) {
    std::string_view name;
    SectionMark mark = SectionMarkOf(static_cast<const MetaLine&>(element).Text(), &name);
    if (mark == SectionMark::kNone) return false;
    if (!embedded_->IsMpd()) {
      if (mark == SectionMark::kFile) embedded_->MarkMpd(name);
      return false;
    }
    pastModel_ = true;
    AddEmbeddedLine(line);
    return true;
  }

  void AddEmbeddedLine(std::string_view line) {
    std::optional<int> type = ScanInt(line, 0);
    std::string_view name;
    SectionMark mark =
        type && *type == kMetaType ? SectionMarkOf(MetaTextOf(line), &name) : SectionMark::kNone;
    if (mark == SectionMark::kFile || mark == SectionMark::kData) {
      embedded_->StartSection(mark, name, line);
    } else {
      embedded_->AddLine(line);
    }
  }

  Model& model_;
  EmbeddedFiles* embedded_;
  ElementCounts counts_;
  int certification_ = 0;
  bool pastModel_ = false;
};

// Hands the lines of the regular file at `path` to `loader`, a piece at a
// time: each piece up to its last line end, the rest carried over to the
// next. A CR LF split between two pieces gives one extra empty line, which
// makes no element. False when the file cannot be opened or stops being
// readable part-way (a file read short would be saved short), with why in
// `reason`.
bool LoadFile(const std::string& path, ElementLoader& loader, std::string* reason) {
  FileReader reader(kPieceSize);
  if (!reader.Open(path, reason)) return false;
  std::string pending;
  for (;;) {
    std::size_t kept = pending.size();
    if (!reader.ReadPiece(pending)) break;
    // Only the piece just read can hold a line end: the kept text holds none.
    // Searching it again would make a long line cost its length squared.
    std::size_t lastEnd = std::string_view(pending).substr(kept).find_last_of("\r\n");
    if (lastEnd == std::string_view::npos) continue;
    lastEnd += kept;
    loader.AddLines(std::string_view(pending).substr(0, lastEnd + 1));
    pending.erase(0, lastEnd + 1);
  }
  if (reader.Failed()) {
    *reason = reader.Reason();
    return false;
  }
  if (!pending.empty()) loader.AddLines(pending);
  return true;
}

}  // namespace

std::string_view MetaTextOf(std::string_view line) {
  std::size_t zero = line.find('0');
  return line.substr(std::min(zero + 2, line.size()));
}

ArenaPtr<Element> ParseLine(std::string_view line, ElementArena& arena) {
  if (line.empty()) return nullptr;
  std::optional<int> type = ScanInt(line, 0);
  if (!type) return nullptr;
  if (*type == kMetaType) return arena.Make<MetaLine>(arena.CopyText(MetaTextOf(line)));
  if (*type < kSubfileType || *type > kCondType) return nullptr;
  // A reference keeps its name in a copy of the line; no other line is kept.
  if (*type == kSubfileType) line = arena.CopyText(line);
  switch (*type) {
    case kSubfileType:
      return arena.Make<SubfileRef>(line);
    case kEdgeType:
      return arena.Make<EdgeLine>(line);
    case kTriangleType:
      return arena.Make<Triangle>(line);
    case kQuadType:
      return arena.Make<Quad>(line);
    default:
      return arena.Make<CondLine>(line);
  }
}

ArenaPtr<Element> CopyElement(const Element& element, ElementArena& arena) {
  switch (element.LineType()) {
    case kMetaType:
      return arena.Make<MetaLine>(static_cast<const MetaLine&>(element));
    case kSubfileType:
      return arena.Make<SubfileRef>(static_cast<const SubfileRef&>(element));
    case kEdgeType:
      return arena.Make<EdgeLine>(static_cast<const EdgeLine&>(element));
    case kTriangleType:
      return arena.Make<Triangle>(static_cast<const Triangle&>(element));
    case kQuadType:
      return arena.Make<Quad>(static_cast<const Quad&>(element));
    case kCondType:
      return arena.Make<CondLine>(static_cast<const CondLine&>(element));
    default:
      return arena.Make<EmptyElement>();
  }
}

void AppendCopies(Model& to, const Model& from) {
  for (int k = 0; k < from.Size(); ++k) to.Append(CopyElement(from.ElementAt(k), to.Arena()));
}

std::string WhyNoFile(std::string_view name, PathResolver& resolver) {
  if (resolver.IsFolder(name)) return ReasonNoFile(FileKind::kFolder);
  return resolver.IsPresent(name) ? ReasonNoFile(FileKind::kOther) : std::string();
}

ElementCounts LoadText(Model& model, std::string_view text, EmbeddedFiles* embedded) {
  ElementLoader loader(model, embedded);
  loader.AddLines(text);
  return loader.Counts();
}

std::optional<std::string> ReadFileText(const std::string& path, std::uint64_t maxBytes,
                                        ReadFailure* failure) {
  FileReader reader(kSubfilePieceSize);
  if (!reader.Open(path, &failure->reason)) return std::nullopt;
  failure->opened = true;
  // The size is checked before the file is read, and again as it is read
  // (it may grow, or be a device that tells none).
  std::optional<std::uintmax_t> size = FileSize(path);
  std::string text;
  bool tooLarge = size && *size > maxBytes;
  while (!tooLarge && reader.ReadPiece(text)) tooLarge = text.size() > maxBytes;
  if (tooLarge) {
    failure->reason =
        "holds more than the " + std::to_string(maxBytes) + " bytes a subfile may have";
    return std::nullopt;
  }
  if (reader.Failed()) {
    failure->reason = "could not be read to its end";
    return std::nullopt;
  }
  // A subfile's text is kept for the whole run: give back the room the last
  // piece left unused.
  text.shrink_to_fit();
  return text;
}

std::optional<LoadSummary> Load(Model& model, const std::string& fileName, PathResolver& resolver,
                                std::string* reason, EmbeddedFiles* embedded) {
  std::optional<std::string> path = resolver.FindFile(fileName);
  if (!path) {
    *reason = WhyNoFile(fileName, resolver);
    return std::nullopt;
  }
  // Room for a file of lines of 16 bytes or more, so that the list of a large
  // model is not grown by doubling (each step copying it and touching new
  // memory). Room left unused is never touched: it costs address space only.
  if (std::optional<std::uintmax_t> bytes = FileSize(*path)) {
    model.Reserve(model.Size() + static_cast<int>(std::min<std::uintmax_t>(*bytes / 16, 1 << 25)));
    // Its elements take up to about twice the file's size (a short edge line
    // of 30 bytes becomes 64), so that they fill one block.
    model.Arena().Expect(static_cast<std::size_t>(std::min<std::uintmax_t>(*bytes, 1 << 30) * 2));
  }
  ElementLoader loader(model, embedded);
  if (!LoadFile(*path, loader, reason)) return std::nullopt;
  return LoadSummary{model.Size(), loader.Counts()};
}

}  // namespace halvex
