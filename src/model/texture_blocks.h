// Texture blocks (LDraw.org's Texture Mapping Language Extension,
// https://www.ldraw.org/texmap-spec.html) in a model. The statements of a
// file are read into one tag per drawing line (TextureScope); the model
// keeps the tags by index and the textures they name, so that expanding,
// cutting and removing lines needs no statement to move. The writer's
// statements are then said again around the lines that need them
// (FlattenTextures), each block holding only lines that are still there.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "elements/texture_map.h"
#include "model/ldraw_writer.h"
#include "model/model.h"

namespace halvex {

// A texture declared in one file, with the text of its statement.
struct DeclaredTexture {
  TextureMap map;
  std::string_view text;  // The statement's meta text, as read.
  bool next = false;
};

// Follows the texture statements of one file, line by line, as the
// extension says: START puts a texture in force until its END, the end of
// the file or a STEP line, pushing the one in force before it; FALLBACK
// starts the section that programs knowing the extension ignore; NEXT puts
// a texture in force for the next drawing line only.
class TextureScope {
 public:
  // Takes a meta line's text: answers true for a texture statement, which
  // the scope has taken (a STEP line ends every block, and answers false).
  // A START or NEXT whose projection
  // cannot be read puts nothing in force (an END or FALLBACK after it
  // applies to the block around it, as a program that ignores the line
  // reads it).
  bool TakeStatement(std::string_view metaText);
  // The tag of the next drawing line; ends a NEXT's texture.
  TextureTag TagOfLine(bool hidden);

  const std::vector<DeclaredTexture>& Textures() const { return textures_; }

 private:
  struct Frame {
    int texture;
    bool fallback;
  };
  std::vector<DeclaredTexture> textures_;
  std::vector<Frame> frames_;
  std::optional<int> next_;
};

// The geometry line that a meta line hides behind "0 !:", parsed in `arena`;
// none for any other meta line, or for a hidden line that is no drawing
// line (type 1 to 5).
ArenaPtr<Element> HiddenElementOf(const Element& element, ElementArena& arena);

// Reads the texture statements and hidden lines of the model's own lines
// (the file as loaded): each hidden line becomes its geometry element,
// each drawing line gets its tag and each statement is emptied, to be said
// again by FlattenTextures. Leaves a model without statements and hidden
// lines as it is, and answers whether it found any.
bool ReadTextures(Model& model);

// A texture placed from a subfile, said with the placed numbers; `next`
// when its file declared it with NEXT.
Model::Texture PlacedTexture(const TextureMap& map, bool next);

// The combined tag of a line with `local` in its own file placed by a
// reference with `parent`: `placedTexture` is the model's index of the
// local texture as placed. A line outside its file's blocks takes the
// reference's place; inside, it stays in the reference's fallback section
// or takes its own block's section.
TextureTag CombinedTag(const TextureTag& parent, const TextureTag& local, int placedTexture);

// The statements to write around the model's drawing lines (types 1 to 5)
// so that each lies in the section its tag names: a START before the first
// line of a block, FALLBACK where its textured section ends, END after its
// last line (at Size() after the last line of the model). A texture the
// file declared with NEXT that applies to a single line is said with NEXT
// again. Lines are never moved: lines of one texture apart from each other
// get a block each. Nothing for a model without textures.
std::vector<InsertedLine> FlattenTextures(const Model& model);

// `first` and `second` merged by index, those of `first` before those of
// `second` at the same index.
std::vector<InsertedLine> MergeInserted(std::vector<InsertedLine> first,
                                        const std::vector<InsertedLine>& second);

}  // namespace halvex
