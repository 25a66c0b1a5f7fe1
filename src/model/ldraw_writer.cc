#include "model/ldraw_writer.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "model/path_resolver.h"
#include "platform/output_file.h"
#include "platform/parallel.h"

namespace halvex {

namespace {

// The text of the elements [begin, end) of a model and of the inserted lines
// before them, as Save writes it, with what it counts.
struct Slice {
  std::string text;
  int lines = 0;
  ElementCounts counts;
};

void FormatSlice(const Model& model, std::span<const InsertedLine> inserted, int begin, int end,
                 bool last, Slice& slice) {
  slice.text.clear();
  slice.lines = 0;
  slice.counts = {};
  auto next = std::lower_bound(inserted.begin(), inserted.end(), begin,
                               [](const InsertedLine& line, int i) { return line.before < i; });
  auto writeInserted = [&](int before) {
    for (; next != inserted.end() && next->before == before; ++next) {
      slice.text.append(next->text);
      slice.text.append("\r\n");
      ++slice.lines;
    }
  };
  const bool textured = model.HasTextures();
  for (int i = begin; i < end; ++i) {
    writeInserted(i);
    const Element& element = model.ElementAt(i);
    bool hidden = textured && model.TagAt(i).hidden;
    // A line hidden behind "0 !:" is counted nowhere, as when it is read.
    if (!hidden) slice.counts.Count(element.LineType());
    const std::size_t mark = slice.text.size();
    if (hidden) slice.text.append(kHiddenPrefix);
    element.AppendText(slice.text);
    const std::size_t added = slice.text.size() - mark;
    if (added == 0 || (hidden && added == kHiddenPrefix.size())) {
      slice.text.resize(mark);
      continue;
    }
    slice.text.append("\r\n");
    ++slice.lines;
  }
  if (last) writeInserted(model.Size());
}

}  // namespace

SaveSummary Save(const Model& model, const std::string& fileName, PathResolver& resolver,
                 std::span<const InsertedLine> inserted, std::string_view after) {
  SaveSummary summary;
  std::optional<OutputFile> file =
      OutputFile::Create(resolver.PathForWriting(fileName), &summary.reason);
  if (!file) {
    summary.result = SaveResult::kCantCreate;
    return summary;
  }
  // The elements are formatted a window at a time, a slice of the window
  // per core, and the slices written in order: the bytes are those of one
  // thread formatting every line, and no more than a window's text is held.
  const int workers = WorkerCount();
  constexpr int kSliceSize = 1 << 14;
  std::vector<Slice> slices(static_cast<std::size_t>(workers));
  const int size = model.Size();
  int begin = 0;
  do {
    const int used = std::clamp((size - begin + kSliceSize - 1) / kSliceSize, 1, workers);
    RunTasks(used, [&](int w) {
      const int b = std::min(size, begin + w * kSliceSize);
      const int e = std::min(size, b + kSliceSize);
      FormatSlice(model, inserted, b, e, e == size, slices[static_cast<std::size_t>(w)]);
    });
    for (int w = 0; w < used; ++w) {
      const Slice& slice = slices[static_cast<std::size_t>(w)];
      file->Write(slice.text);
      summary.linesWritten += slice.lines;
      summary.counts.Add(slice.counts);
    }
    begin = std::min(size, begin + used * kSliceSize);
  } while (begin < size);
  file->Write(after);
  if (!file->Commit()) {
    summary.result = SaveResult::kCantWrite;
    summary.reason = file->Reason();
  }
  return summary;
}

bool AppendLine(const Element& element, std::string& text) {
  const std::size_t mark = text.size();
  element.AppendText(text);
  if (text.size() == mark) return false;
  text.append("\r\n");
  return true;
}

}  // namespace halvex
