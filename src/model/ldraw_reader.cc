#include "model/ldraw_reader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "elements/lines.h"
#include "elements/meta_line.h"
#include "elements/polygons.h"
#include "elements/subfile_ref.h"
#include "geometry/number_text.h"
#include "model/embedded_files.h"
#include "model/path_resolver.h"
#include "platform/file_system.h"
#include "platform/parallel.h"

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
  ElementLoader(Model& model, EmbeddedFiles* embedded) : model_(&model), embedded_(embedded) {}

  // Makes the lines to come elements of `model` instead.
  void SetModel(Model& model) { model_ = &model; }

  void AddLines(std::string_view text) {
    LineCursor cursor(text);
    std::string_view line;
    while (cursor.Next(&line)) {
      if (pastModel_) {
        AddEmbeddedLine(line);
        continue;
      }
      AddElement(ParseLine(line, model_->Arena()), line);
    }
  }

  // Adds the next line, `element` being what ParseLine made of it (in an
  // arena the model adopts). Past the model's section the line is the
  // embedded files' and `element` is dropped.
  void AddLine(ArenaPtr<Element> element, std::string_view line) {
    if (pastModel_) {
      AddEmbeddedLine(line);
    } else {
      AddElement(std::move(element), line);
    }
  }

  // Whether the lines to come are the embedded files', not elements.
  bool PastModel() const { return pastModel_; }

  const ElementCounts& Counts() const { return counts_; }

 private:
  void AddElement(ArenaPtr<Element> element, std::string_view line) {
    if (!element) return;
    int type = element->LineType();
    if (embedded_ && type == kMetaType && EndsModel(*element, line)) return;
    if (embedded_ && embedded_->IsMpd()) embedded_->AddModelLine(line);
    counts_.Count(type);
    certification_ = CertifiedWinding(*element, certification_);
    element->winding = static_cast<std::int8_t>(type == kSubfileType ? 1 : certification_);
    model_->Append(std::move(element));
  }

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

  Model* model_;
  EmbeddedFiles* embedded_;
  ElementCounts counts_;
  int certification_ = 0;
  bool pastModel_ = false;
};

// The length of `text` (the text read so far and not handed on) up to and
// with its last line end; 0 when the part of `text` from `searchFrom` on
// holds none. A CR that ends `text` is left for later: the LF after it, in
// the next piece, ends the same line, and a CR LF cut in two would make an
// empty line more (kept as such in an MPD's embedded files). The text
// before `searchFrom` is not searched again: a long line would cost its
// length squared.
std::size_t LinesLength(std::string_view text, std::size_t searchFrom) {
  std::size_t end = text.size();
  if (end > searchFrom && text[end - 1] == '\r') --end;
  std::size_t lastEnd = text.substr(searchFrom, end - searchFrom).find_last_of("\r\n");
  return lastEnd == std::string_view::npos ? 0 : searchFrom + lastEnd + 1;
}

// The pieces of one batch, up to one per worker, and the element of each
// of their lines (none for a line that makes none).
struct Batch {
  std::vector<std::string> pieces;
  std::vector<std::vector<ArenaPtr<Element>>> elements;
  std::size_t filled = 0;
};

// Reads a file in the pieces LoadFile reads it in, a batch of them at a
// time, and parses a batch's pieces on the machine's cores, each piece in an
// arena of its own. There are two sets of arenas, used in turn (see
// Recycle).
class PieceParser {
 public:
  // `expectedBytes`: what the elements of the whole file take, about.
  PieceParser(FileReader& reader, int workers, std::size_t expectedBytes)
      : reader_(reader), workers_(static_cast<std::size_t>(workers)) {
    for (auto& arenas : arenas_) {
      for (std::size_t k = 0; k < workers_; ++k) {
        arenas.push_back(std::make_unique<ElementArena>());
        arenas.back()->Expect(expectedBytes / workers_);
      }
    }
  }

  // Gives `batch` room for a piece per worker.
  void Prepare(Batch& batch) const {
    batch.pieces.resize(workers_);
    batch.elements.resize(workers_);
  }

  // Reads up to a piece per worker into `batch`, or up to `most`; none at
  // the end of the file. The lines of a piece are those LoadFile would hand
  // on in one go.
  void Read(Batch& batch, std::size_t most = SIZE_MAX) {
    batch.filled = 0;
    while (batch.filled < std::min(workers_, most) && !ended_) {
      std::size_t kept = pending_.size();
      if (!reader_.ReadPiece(pending_)) {
        ended_ = true;
        // The last line, without a line end.
        if (!reader_.Failed() && !pending_.empty()) batch.pieces[batch.filled++].swap(pending_);
        break;
      }
      // Copied rather than swapped, so that every piece keeps a buffer of
      // a piece's size: buffers passed round grow to twice that.
      if (std::size_t length = LinesLength(pending_, kept)) {
        batch.pieces[batch.filled++].assign(pending_, 0, length);
        pending_.erase(0, length);
      }
    }
  }

  // Parses piece k of `batch` in arena k.
  void Parse(Batch& batch, std::size_t k) {
    LineCursor cursor(batch.pieces[k]);
    std::string_view line;
    ElementArena& arena = *arenas_[set_][k];
    while (cursor.Next(&line)) batch.elements[k].push_back(ParseLine(line, arena));
  }

  // Hands what the arenas hold to `arena`.
  void HandOver(ElementArena& arena) {
    for (auto& arenas : arenas_) {
      for (auto& own : arenas) arena.Adopt(*own);
    }
  }

  // Turns to the other set of arenas and makes its room free for the
  // batches to come (see ElementArena::Reset). REQUIRES: no element parsed
  // before the last call lives on; those parsed since may.
  void Recycle() {
    set_ ^= 1;
    for (auto& own : arenas_[set_]) own->Reset();
  }

  // Hands the lines of `batch` with their elements to `loader`, in order,
  // and empties it. The lines are found again as Parse found them, rather
  // than kept: that would take three times the room.
  static void Add(Batch& batch, ElementLoader& loader) {
    for (std::size_t k = 0; k < batch.filled; ++k) {
      LineCursor cursor(batch.pieces[k]);
      std::string_view line;
      auto element = batch.elements[k].begin();
      while (cursor.Next(&line)) loader.AddLine(std::move(*element++), line);
      batch.elements[k].clear();
    }
    batch.filled = 0;
  }

  // Hands the rest of the file to `loader` as text, on this thread: the
  // lines of `read`, then what is left to read.
  bool FinishAsText(ElementLoader& loader, Batch& read) {
    for (;;) {
      for (std::size_t k = 0; k < read.filled; ++k) loader.AddLines(read.pieces[k]);
      Read(read);
      if (read.filled == 0) return !reader_.Failed();
    }
  }

 private:
  FileReader& reader_;
  const std::size_t workers_;
  std::array<std::vector<std::unique_ptr<ElementArena>>, 2> arenas_;
  std::size_t set_ = 0;
  // The text read after the last line end.
  std::string pending_;
  bool ended_ = false;
};

// Loads a large file on the machine's cores. While the cores parse the
// pieces of one batch (see PieceParser), another thread hands the lines of
// the batch before to the loader, with their elements, and then reads the
// batch after into it. The loader gets every line in the order of the file,
// cut into the same pieces, so the model is the one a single thread would
// make.
class ParallelLoad {
 public:
  ParallelLoad(Model& model, FileReader& reader, int workers, std::size_t expectedBytes)
      : model_(model), parser_(reader, workers, expectedBytes) {
    for (Batch& batch : batches_) parser_.Prepare(batch);
  }
  ParallelLoad(const ParallelLoad&) = delete;
  ParallelLoad& operator=(const ParallelLoad&) = delete;
  // The model keeps the elements made, also those of a file that failed
  // part-way.
  ~ParallelLoad() { parser_.HandOver(model_.Arena()); }

  // Hands every line of the file to `loader`; false when the file stops
  // being readable part-way.
  bool Run(FileReader& reader, ElementLoader& loader) {
    Batch* adding = &batches_[0];
    Batch* parsing = &batches_[1];
    parser_.Read(*parsing);
    while (parsing->filled > 0 || adding->filled > 0) {
      // Past an MPD's model the lines are kept as text: parsing them would
      // be wasted.
      if (loader.PastModel()) {
        PieceParser::Add(*adding, loader);
        return parser_.FinishAsText(loader, *parsing);
      }
      const std::size_t count = parsing->filled;
      RunTasks(static_cast<int>(count) + 1, [&](int task) {
        const auto k = static_cast<std::size_t>(task);
        if (k < count) {
          parser_.Parse(*parsing, k);
        } else {
          // The batch handed on is read into again: the next to parse.
          PieceParser::Add(*adding, loader);
          parser_.Read(*adding);
        }
      });
      std::swap(adding, parsing);
    }
    return !reader.Failed();
  }

 private:
  Model& model_;
  PieceParser parser_;
  // The batch being parsed, and the one being handed to the loader and
  // then read into, in turn.
  std::array<Batch, 2> batches_;
};

// Hands the lines of the regular file at `path` to `loader`, a piece at a
// time: each piece up to its last line end, the rest carried over to the
// next (see LinesLength). A file larger than a piece is loaded on every core
// (see ParallelLoad), in the same pieces. False when the file cannot be opened or
// stops being readable part-way (a file read short would be saved short),
// with why in `reason`. `size`: the file's size where it can be told.
bool LoadFile(const std::string& path, std::optional<std::uintmax_t> size, Model& model,
              ElementLoader& loader, std::string* reason) {
  FileReader reader(kPieceSize);
  if (!reader.Open(path, reason)) return false;
  // Its elements take up to about twice the file's size (a short edge line
  // of 30 bytes becomes 64), so that they fill one block of each arena.
  const std::size_t expected =
      size ? static_cast<std::size_t>(std::min<std::uintmax_t>(*size, 1 << 30) * 2) : 0;
  const int workers = WorkerCount();
  bool read = false;
  if (workers > 1 && size && *size > kPieceSize) {
    read = ParallelLoad(model, reader, workers, expected).Run(reader, loader);
  } else {
    model.Arena().Expect(expected);
    std::string pending;
    for (;;) {
      std::size_t kept = pending.size();
      if (!reader.ReadPiece(pending)) break;
      if (std::size_t length = LinesLength(pending, kept)) {
        loader.AddLines(std::string_view(pending).substr(0, length));
        pending.erase(0, length);
      }
    }
    read = !reader.Failed();
    if (read && !pending.empty()) loader.AddLines(pending);
  }
  if (!read) *reason = reader.Reason();
  return read;
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
  std::optional<std::uintmax_t> bytes = FileSize(*path);
  if (bytes) {
    model.Reserve(model.Size() + static_cast<int>(std::min<std::uintmax_t>(*bytes / 16, 1 << 25)));
  }
  ElementLoader loader(model, embedded);
  if (!LoadFile(*path, bytes, model, loader, reason)) return std::nullopt;
  return LoadSummary{model.Size(), loader.Counts()};
}

struct PartReader::State {
  explicit State(EmbeddedFiles* embedded) : reader(kPieceSize), loader(placeholder, embedded) {}

  FileReader reader;
  Model placeholder;  // The loader's model until the first part.
  ElementLoader loader;
  std::optional<PieceParser> parser;
  Batch batch;
  int size = 0;
  bool ended = false;
};

PartReader::PartReader(EmbeddedFiles* embedded) : state_(std::make_unique<State>(embedded)) {}

PartReader::~PartReader() = default;

bool PartReader::Open(const std::string& fileName, PathResolver& resolver, std::string* reason) {
  std::optional<std::string> path = resolver.FindFile(fileName);
  if (!path) {
    *reason = WhyNoFile(fileName, resolver);
    return false;
  }
  if (!state_->reader.Open(*path, reason)) return false;
  // A piece's elements take up to about twice its size (see LoadFile).
  state_->parser.emplace(state_->reader, WorkerCount(), 2 * kPieceSize * WorkerCount());
  state_->parser->Prepare(state_->batch);
  return true;
}

bool PartReader::Next(Model& part) {
  State& state = *state_;
  if (state.ended) return false;
  state.loader.SetModel(part);
  PieceParser& parser = *state.parser;
  // The elements of the part before the last are gone: their room is this
  // part's.
  parser.Recycle();
  const int before = part.Size();
  // A part goes on past its batch only to the reference a BFC INVERTNEXT
  // statement waits for, a piece at a time.
  for (bool first = true;; first = false) {
    parser.Read(state.batch, first ? SIZE_MAX : 1);
    if (state.batch.filled == 0) {
      state.ended = true;
      break;
    }
    RunTasks(static_cast<int>(state.batch.filled),
             [&](int k) { parser.Parse(state.batch, static_cast<std::size_t>(k)); });
    PieceParser::Add(state.batch, state.loader);
    if (state.loader.PastModel()) {
      // The rest is an MPD's embedded files, kept as text.
      parser.FinishAsText(state.loader, state.batch);
      state.ended = true;
      break;
    }
    // A BFC INVERTNEXT statement stays in the part of its reference.
    if (!part.AwaitsReference()) break;
  }
  state.size += part.Size() - before;
  return part.Size() > before || !state.ended;
}

bool PartReader::Failed() const { return state_->reader.Failed(); }

const std::string& PartReader::Reason() const { return state_->reader.Reason(); }

LoadSummary PartReader::Summary() const {
  return LoadSummary{state_->size, state_->loader.Counts()};
}

}  // namespace halvex
