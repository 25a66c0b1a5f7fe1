#include "app/streamed_split.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "app/split_pass.h"
#include "model/embedded_files.h"
#include "model/path_resolver.h"
#include "model/texture_blocks.h"
#include "platform/file_system.h"
#include "platform/output_file.h"
#include "platform/parallel.h"

namespace halvex {
namespace {

// Lines as Save writes them, with what it counts.
struct Lines {
  std::string text;
  int count = 0;
  ElementCounts counts;

  void Clear() {
    text.clear();
    count = 0;
    counts = {};
  }

  void Add(const Element& element) {
    counts.Count(element.LineType());
    if (AppendLine(element, text)) ++count;
  }
};

// The pieces the passes cut off, by the passes that cut them off (see
// SplitPartByPolygon), as the lines written for them after every other
// element, in the order of those keys. Their text is held until the end: in
// memory up to kHeldBytes, then in a temporary file, so that the memory a
// run takes does not grow with its input.
class CutOffPieces {
 public:
  CutOffPieces() = default;
  CutOffPieces(const CutOffPieces&) = delete;
  CutOffPieces& operator=(const CutOffPieces&) = delete;
  ~CutOffPieces() {
    if (spill_) std::fclose(spill_);
  }

  void Add(std::uint32_t passes, const Element& element) {
    Lines& lines = held_[passes];
    const std::size_t before = lines.text.size();
    lines.Add(element);
    heldBytes_ += lines.text.size() - before;
  }

  // Moves the text held to the temporary file once it is large. False when
  // that file cannot be written.
  bool Spill() {
    if (heldBytes_ < kHeldBytes) return true;
    if (!spill_ && !(spill_ = OpenScratchFile())) return true;  // Held in memory, then.
    for (auto& [passes, lines] : held_) {
      if (lines.text.empty()) continue;
      Chunk& chunk = chunks_.emplace_back(Chunk{passes, {}, lines.text.size()});
      if (std::fgetpos(spill_, &chunk.start) != 0 ||
          std::fwrite(lines.text.data(), 1, lines.text.size(), spill_) != lines.text.size()) {
        return false;
      }
      std::string().swap(lines.text);
    }
    heldBytes_ = 0;
    return true;
  }

  // Writes every line, in order, and counts them in `save`. False when the
  // temporary file cannot be read back.
  bool WriteTo(OutputFile& file, SaveSummary& save) {
    if (spill_ && std::fflush(spill_) != 0) return false;
    std::string text;
    for (const auto& [passes, lines] : held_) {
      for (const Chunk& chunk : chunks_) {
        if (chunk.passes != passes) continue;
        text.resize(chunk.size);
        if (std::fsetpos(spill_, &chunk.start) != 0 ||
            std::fread(text.data(), 1, chunk.size, spill_) != chunk.size) {
          return false;
        }
        file.Write(text);
      }
      file.Write(lines.text);
      save.linesWritten += lines.count;
      save.counts.Add(lines.counts);
    }
    return true;
  }

 private:
  static constexpr std::size_t kHeldBytes = std::size_t{256} << 10;

  // A piece of the temporary file: text of the pieces `passes` cut off.
  struct Chunk {
    std::uint32_t passes;
    std::fpos_t start;
    std::size_t size;
  };

  std::map<std::uint32_t, Lines> held_;
  std::size_t heldBytes_ = 0;
  std::FILE* spill_ = nullptr;
  std::vector<Chunk> chunks_;
};

// Looks through a file ahead of its reading for the text of a texture
// statement or a hidden line ("!TEXMAP", "!:"), a stretch at a time. A part
// that holds one sends the run back to the whole model, which reads the file
// again from its start: found out early, that costs little of the run. The
// text may be in a comment, or in an MPD's embedded files, which hold no
// texture the run must place; the reading tells for sure.
class TextureLookout {
 public:
  explicit TextureLookout(const std::string& path)
      : in_(OpenForReading(path)), buffer_(kKept + kStretch) {
    seen_ = !in_;
  }
  TextureLookout(const TextureLookout&) = delete;
  TextureLookout& operator=(const TextureLookout&) = delete;
  ~TextureLookout() {
    if (in_) std::fclose(in_);
  }

  // Whether such text was seen, or the file could not be looked through.
  bool Seen() const { return seen_; }

  // Whether there is more to look through.
  bool Looking() const { return !seen_ && !ended_; }

  // Looks through up to `stretches` more stretches of the file.
  void LookAhead(int stretches) {
    for (; stretches > 0 && Looking(); --stretches) {
      const std::size_t got = std::fread(buffer_.data() + kept_, 1, kStretch, in_);
      ended_ = got < kStretch;
      seen_ = ended_ && std::ferror(in_) != 0;
      const std::string_view text(buffer_.data(), kept_ + got);
      for (std::size_t at = text.find('!'); at != std::string_view::npos && !seen_;
           at = text.find('!', at + 1)) {
        seen_ = text.substr(at, 7) == "!TEXMAP" || text.substr(at, 2) == "!:";
      }
      // A word cut by the stretch's end is found with the next.
      kept_ = std::min(kKept, text.size());
      std::memmove(buffer_.data(), text.data() + text.size() - kept_, kept_);
    }
  }

 private:
  static constexpr std::size_t kStretch = std::size_t{1} << 20;
  // One byte less than "!TEXMAP".
  static constexpr std::size_t kKept = 6;

  std::FILE* in_;
  std::vector<char> buffer_;
  std::size_t kept_ = 0;
  bool seen_ = false;
  bool ended_ = false;
};

// The splitter's polygons, the only elements a split goes by.
std::vector<const Element*> PolygonsOf(const Model& splitter) {
  std::vector<const Element*> polygons;
  for (int s = 0; s < splitter.Size(); ++s) {
    if (splitter.ElementAt(s).IsPolygon()) polygons.push_back(&splitter.ElementAt(s));
  }
  return polygons;
}

}  // namespace

StreamedSplit SplitStreamed(const std::string& inFile, const Model& splitter,
                            const RunSettings& settings, const std::string& outFile,
                            PathResolver& resolver) {
  StreamedSplit result;
  const std::vector<const Element*> polygons = PolygonsOf(splitter);
  if (polygons.size() > 32) return result;
  EmbeddedFiles embedded;
  // Closed before the output is put in place, which may be the input.
  std::optional<PartReader> reader(std::in_place, &embedded);
  std::string reason;
  if (!reader->Open(inFile, resolver, &reason)) return result;
  std::optional<OutputFile> file = OutputFile::Create(resolver.PathForWriting(outFile), &reason);
  if (!file) return result;

  SaveSummary& save = result.save;
  CutOffPieces cutOff;
  const int workers = WorkerCount();
  std::vector<Lines> slices(static_cast<std::size_t>(workers));
  std::vector<std::uint32_t> cuts;
  // Splits `part` and writes what it can; false when the part alone cannot
  // tell what the whole model gives.
  auto splitAndWrite = [&](Model& part) {
    // Texture blocks are said again around what is left of them, which
    // needs the whole model.
    if (ReadTextures(part)) return false;
    cuts.assign(static_cast<std::size_t>(part.Size()), 0);
    for (std::size_t p = 0; p < polygons.size(); ++p) {
      if (!SplitPartByPolygon(part, cuts, std::uint32_t{1} << p, *polygons[p], settings)) {
        return false;
      }
    }
    // The elements no pass cut off are written now, formatted a slice per
    // core and written in order.
    const int size = part.Size();
    RunTasks(workers, [&](int w) {
      Lines& slice = slices[static_cast<std::size_t>(w)];
      slice.Clear();
      const int begin = static_cast<int>(static_cast<long long>(size) * w / workers);
      const int end = static_cast<int>(static_cast<long long>(size) * (w + 1) / workers);
      for (int k = begin; k < end; ++k) {
        if (cuts[static_cast<std::size_t>(k)] == 0) slice.Add(part.ElementAt(k));
      }
    });
    for (const Lines& slice : slices) {
      file->Write(slice.text);
      save.linesWritten += slice.count;
      save.counts.Add(slice.counts);
    }
    for (int k = 0; k < size; ++k) {
      if (std::uint32_t passes = cuts[static_cast<std::size_t>(k)]) {
        cutOff.Add(passes, part.ElementAt(k));
      }
    }
    return cutOff.Spill();
  };
  // Two models in turn, each made in the memory of the one before the last.
  // With more than one core the next part is read while one is split and
  // written: each has parts of its work that one thread does. The reading
  // then looks through the file ahead of itself for texture statements,
  // eight times as fast as it reads and on until the split ends: in a file
  // that is no MPD, one sends the run back to the whole model before the
  // part that holds it is read. (With one core that would cost every run
  // what it saves the few.)
  std::optional<TextureLookout> lookout;
  if (std::optional<std::string> path = resolver.FindFile(inFile); path && workers > 1) {
    lookout.emplace(*path);
  }
  std::array<Model, 2> parts;
  bool more = reader->Next(parts[0]);
  for (std::size_t now = 0; more; now ^= 1) {
    if (lookout && lookout->Seen() && !embedded.IsMpd()) return result;
    Model& next = parts[now ^ 1];
    next.Clear();
    bool written = false;
    if (workers > 1) {
      std::atomic<bool> splitting = true;
      RunTasks(2, [&](int task) {
        if (task == 0) {
          written = splitAndWrite(parts[now]);
          splitting = false;
        } else {
          more = reader->Next(next);
          if (!lookout) return;
          lookout->LookAhead(8 * workers);
          while (splitting && lookout->Looking()) lookout->LookAhead(1);
        }
      });
    } else {
      written = splitAndWrite(parts[now]);
      more = written && reader->Next(next);
    }
    if (!written) return result;
  }
  if (reader->Failed() || !cutOff.WriteTo(*file, save)) return result;
  result.load = reader->Summary();
  // The parts' elements live in the reader's memory.
  for (Model& part : parts) part.Clear();
  reader.reset();
  file->Write(embedded.TextAfter(Model(), true));
  if (!file->Commit()) {
    save.result = SaveResult::kCantWrite;
    save.reason = file->Reason();
  }
  result.done = true;
  return result;
}

}  // namespace halvex
