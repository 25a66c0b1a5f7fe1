#include "model/prepared_file.h"

#include <utility>

#include "elements/meta_line.h"
#include "model/bfc_state.h"
#include "model/ldraw_reader.h"

namespace halvex {

PreparedFile Prepare(std::string_view text, std::int64_t maxLines, ElementArena& arena) {
  PreparedFile prepared;
  BfcState bfc;
  TextureScope textures;
  LineCursor cursor(text);
  std::string_view line;
  while (cursor.Next(&line)) {
    if (++prepared.lineCount > maxLines) {
      prepared.truncated = true;
      break;
    }
    ArenaPtr<Element> element = ParseLine(line, arena);
    if (!element) continue;
    bool hidden = false;
    if (ArenaPtr<Element> hiddenLine = HiddenElementOf(*element, arena)) {
      element = std::move(hiddenLine);
      hidden = true;
    }
    bfc.Take(*element);
    int type = element->LineType();
    if (type == kMetaType) {
      if (textures.TakeStatement(static_cast<const MetaLine&>(*element).Text())) {
        prepared.textured = true;
      }
      continue;
    }
    bool reversed = type == kSubfileType ? bfc.LastReferenceInverted() : bfc.Winding() == -1;
    TextureTag tag = textures.TagOfLine(hidden);
    if (tag != TextureTag{}) prepared.textured = true;
    prepared.elements.push_back(PreparedElement{std::move(element), reversed, bfc.Culls(), tag});
  }
  prepared.textures = textures.Textures();
  return prepared;
}

const PreparedFile& PreparedFiles::Of(const Subfile* file, std::int64_t maxLines) {
  auto [known, isNew] = files_.try_emplace(file);
  if (isNew) known->second = Prepare(file->text, maxLines, arena_);
  return known->second;
}

}  // namespace halvex
