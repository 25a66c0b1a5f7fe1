// A subfile's drawing lines read once, however often the file is placed.
#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "elements/element.h"
#include "elements/element_arena.h"
#include "elements/texture_map.h"
#include "model/search_path.h"
#include "model/texture_blocks.h"

namespace halvex {

// A drawing element of a subfile with what its own file's BFC statements say
// of it: for a polygon, whether it winds clockwise there (`reversed`) and
// whether it is culled there; for a reference, whether a BFC INVERTNEXT
// inverts it (`reversed`) and whether it passes culling on to what it
// places.
struct PreparedElement {
  ArenaPtr<Element> element;
  bool reversed = false;
  bool culled = false;
  // Its place in its file's texture blocks, which index `textures` of its
  // PreparedFile.
  TextureTag texture;
};

// What the expansion needs of a subfile: the count of the lines the reader
// finds in it, with every kind of line end (a bound on the elements the file
// adds), and the elements of its drawing lines, as read, with what its BFC
// statements say of each; every placement places copies of them. Comments
// and statements are not kept: a file's header is not read again at every
// placement, and what the statements say is carried by the placed elements
// themselves.
struct PreparedFile {
  std::int64_t lineCount = 0;
  std::vector<PreparedElement> elements;
  bool truncated = false;  // Read only in part: see Prepare.
  // The textures the file declares, and whether any of its lines lies in a
  // texture block or is hidden behind "0 !:" (such a line is prepared as
  // the line it hides).
  std::vector<DeclaredTexture> textures;
  bool textured = false;
};

// Reads the file's lines while there are at most `maxLines` of them: a file
// of more lines than the expansion may still place is read no further (its
// lineCount then exceeds `maxLines`), so that its elements never fill the
// memory the element budget protects.
PreparedFile Prepare(std::string_view text, std::int64_t maxLines, ElementArena& arena);

// The prepared files of one expansion, each read on its first use. The
// elements are made in the model's arena, so the texts their copies share
// live as long as the model.
class PreparedFiles {
 public:
  explicit PreparedFiles(ElementArena& arena) : arena_(arena) {}

  // The prepared elements of `file`. A file of more than `maxLines` lines is
  // read only that far at its first use (see Prepare).
  const PreparedFile& Of(const Subfile* file, std::int64_t maxLines);

 private:
  ElementArena& arena_;
  std::unordered_map<const Subfile*, PreparedFile> files_;
};

}  // namespace halvex
