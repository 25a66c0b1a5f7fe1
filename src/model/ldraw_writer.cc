#include "model/ldraw_writer.h"

#include <optional>

#include "elements/meta_line.h"
#include "model/ldraw_reader.h"
#include "model/output_file.h"
#include "model/path_resolver.h"

namespace halvex {

SaveResult Save(Model& model, const std::string& fileName, bool normalising,
                PathResolver& resolver, std::ostream& report) {
  std::optional<OutputFile> file = OutputFile::Create(resolver.PathForWriting(fileName));
  if (!file) return SaveResult::kCantCreate;

  ElementCounts counts;
  int linesWritten = 0;
  MetaKindCode firstBfc = MetaKindCode::kNone;
  bool reverse = false;
  std::string text;
  for (int i = 0; i < model.Size(); ++i) {
    Element& element = model.ElementAt(i);
    MetaKindCode kind = MetaKindOfElement(element);
    if (normalising &&
        (kind == MetaKindCode::kCertifyCcw || kind == MetaKindCode::kCertifyCw)) {
      if (firstBfc == MetaKindCode::kNone) {
        firstBfc = kind;
      } else {
        reverse = kind != firstBfc;
        model.ReplaceWithEmpty(i);
        continue;
      }
    }
    int type = element.LineType();
    counts.Count(type);
    if (reverse && (type == kTriangleType || type == kQuadType)) element.ReverseWinding();
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
