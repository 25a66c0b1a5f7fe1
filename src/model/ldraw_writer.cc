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
  for (int i = 0; i < model.Size(); ++i) {
    for (; next < inserted.size() && inserted[next].before == i; ++next) {
      text.assign(inserted[next].text);
      text.append("\r\n");
      file->Write(text);
      ++summary.linesWritten;
    }
    const Element& element = model.ElementAt(i);
    summary.counts.Count(element.LineType());
    text.clear();
    element.AppendText(text);
    if (text.empty()) continue;
    text.append("\r\n");
    file->Write(text);
    ++summary.linesWritten;
  }
  file->Write(after);
  if (!file->Commit()) {
    summary.result = SaveResult::kCantWrite;
    summary.reason = file->Reason();
  }
  return summary;
}

}  // namespace halvex
