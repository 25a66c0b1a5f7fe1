#include "model/ldraw_writer.h"

#include <optional>

#include "model/ldraw_reader.h"
#include "model/output_file.h"
#include "model/path_resolver.h"

namespace halvex {

SaveResult Save(const Model& model, const std::string& fileName, PathResolver& resolver,
                std::ostream& report) {
  std::optional<OutputFile> file = OutputFile::Create(resolver.PathForWriting(fileName));
  if (!file) return SaveResult::kCantCreate;

  ElementCounts counts;
  int linesWritten = 0;
  std::string text;
  for (int i = 0; i < model.Size(); ++i) {
    const Element& element = model.ElementAt(i);
    counts.Count(element.LineType());
    text.clear();
    element.AppendText(text);
    if (text.empty()) continue;
    text.append("\r\n");
    file->Write(text);
    ++linesWritten;
  }
  if (!file->Commit()) return SaveResult::kCantWrite;

  report << "\nSaving " << fileName << std::endl;
  report << linesWritten << " lines in file" << std::endl;
  ReportTypeCounts(report, counts);
  return SaveResult::kSaved;
}

}  // namespace halvex
