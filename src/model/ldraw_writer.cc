#include "model/ldraw_writer.h"

#include <optional>

#include "platform/output_file.h"
#include "model/path_resolver.h"

namespace halvex {

SaveSummary Save(const Model& model, const std::string& fileName, PathResolver& resolver,
                 std::span<const InsertedLine> inserted, std::string_view after) {
  SaveSummary summary;
  std::optional<OutputFile> file =
      OutputFile::Create(resolver.PathForWriting(fileName), &summary.reason);
  if (!file) {
    summary.result = SaveResult::kCantCreate;
    return summary;
  }
  std::string text;
  std::size_t next = 0;
  auto writeInserted = [&](int before) {
    for (; next < inserted.size() && inserted[next].before == before; ++next) {
      text.assign(inserted[next].text);
      text.append("\r\n");
      file->Write(text);
      ++summary.linesWritten;
    }
  };
  const bool textured = model.HasTextures();
  for (int i = 0; i < model.Size(); ++i) {
    writeInserted(i);
    const Element& element = model.ElementAt(i);
    // A line hidden behind "0 !:" is counted nowhere, as when it is read.
    bool hidden = textured && model.TagAt(i).hidden;
    if (!hidden) summary.counts.Count(element.LineType());
    text.clear();
    if (hidden) text.assign(kHiddenPrefix);
    element.AppendText(text);
    if (text.empty() || (hidden && text.size() == kHiddenPrefix.size())) continue;
    text.append("\r\n");
    file->Write(text);
    ++summary.linesWritten;
  }
  writeInserted(model.Size());
  file->Write(after);
  if (!file->Commit()) {
    summary.result = SaveResult::kCantWrite;
    summary.reason = file->Reason();
  }
  return summary;
}

}  // namespace halvex
