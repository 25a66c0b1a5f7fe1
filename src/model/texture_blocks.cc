#include "model/texture_blocks.h"

#include <algorithm>

#include "elements/meta_line.h"
#include "geometry/number_text.h"
#include "model/ldraw_reader.h"

namespace halvex {
namespace {

constexpr std::string_view kFallbackLine = "0 !TEXMAP FALLBACK";
constexpr std::string_view kEndLine = "0 !TEXMAP END";

bool IsDrawing(int type) { return type >= kSubfileType && type <= kCondType; }

// Whether the meta text is a STEP line, which ends every texture in force
// ("This texture will remain in effect until ... A STEP command is reached").
bool IsStep(std::string_view metaText) {
  std::size_t start = SkipSpace(metaText, 0);
  return metaText.substr(start, SkipToken(metaText, start) - start) == "STEP";
}

// A texture of the model's own file, said again as it was written; one
// written with NEXT starts a block of more lines with START in its place.
Model::Texture AsRead(const DeclaredTexture& declared) {
  std::string text = "0 " + std::string(declared.text);
  if (!declared.next) return {declared.map, text, ""};
  std::string start = text;
  std::size_t command = start.find("NEXT");
  start.replace(command, 4, "START");
  return {declared.map, start, text};
}

}  // namespace

Model::Texture PlacedTexture(const TextureMap& map, bool next) {
  return {map, map.StartText(false), next ? map.StartText(true) : ""};
}

bool TextureScope::TakeStatement(std::string_view metaText) {
  TexmapCommand command = TexmapCommandOf(metaText);
  switch (command) {
    case TexmapCommand::kNone:
      if (IsStep(metaText)) frames_.clear();
      return false;
    case TexmapCommand::kStart:
    case TexmapCommand::kNext: {
      std::optional<TextureMap> map = TextureMap::Parse(metaText);
      if (!map) return true;
      bool next = command == TexmapCommand::kNext;
      textures_.push_back({std::move(*map), metaText, next});
      int texture = static_cast<int>(textures_.size()) - 1;
      if (next) {
        next_ = texture;
      } else {
        frames_.push_back({texture, false});
      }
      return true;
    }
    case TexmapCommand::kFallback:
      if (!frames_.empty()) frames_.back().fallback = true;
      return true;
    case TexmapCommand::kEnd:
      if (!frames_.empty()) frames_.pop_back();
      return true;
  }
  return true;
}

TextureTag TextureScope::TagOfLine(bool hidden) {
  TextureTag tag;
  tag.hidden = hidden;
  for (auto frame = frames_.rbegin(); frame != frames_.rend(); ++frame) {
    if (frame->fallback) {
      tag.texture = frame->texture;
      tag.section = TextureSection::kFallback;
      break;
    }
  }
  if (tag.section == TextureSection::kNone) {
    if (next_) {
      tag.texture = *next_;
      tag.section = TextureSection::kTextured;
    } else if (!frames_.empty()) {
      tag.texture = frames_.back().texture;
      tag.section = TextureSection::kTextured;
    }
  }
  next_.reset();
  return tag;
}

ArenaPtr<Element> HiddenElementOf(const Element& element, ElementArena& arena) {
  if (element.LineType() != kMetaType) return nullptr;
  std::optional<std::string_view> line = HiddenLineOf(static_cast<const MetaLine&>(element).Text());
  if (!line) return nullptr;
  ArenaPtr<Element> hidden = ParseLine(*line, arena);
  if (!hidden || !IsDrawing(hidden->LineType())) return nullptr;
  return hidden;
}

bool ReadTextures(Model& model) {
  TextureScope scope;
  bool found = false;
  std::vector<int> textureIds;
  for (int i = 0; i < model.Size(); ++i) {
    const Element& element = model.ElementAt(i);
    bool hidden = false;
    if (element.LineType() == kMetaType) {
      if (ArenaPtr<Element> line = HiddenElementOf(element, model.Arena())) {
        line->winding = element.winding;
        model.ReplaceAt(i, std::move(line));
        hidden = true;
      } else if (scope.TakeStatement(static_cast<const MetaLine&>(element).Text())) {
        model.ReplaceWithEmpty(i);
        found = true;
        continue;
      } else {
        continue;
      }
    }
    if (!IsDrawing(model.ElementAt(i).LineType())) continue;
    TextureTag tag = scope.TagOfLine(hidden);
    if (tag == TextureTag{}) continue;
    found = true;
    // The model's textures are those of the file, in their order.
    while (textureIds.size() < scope.Textures().size()) {
      const DeclaredTexture& declared = scope.Textures()[textureIds.size()];
      textureIds.push_back(model.AddTexture(AsRead(declared)));
    }
    if (tag.texture >= 0) tag.texture = textureIds[static_cast<std::size_t>(tag.texture)];
    model.SetTag(i, tag);
  }
  return found;
}

TextureTag CombinedTag(const TextureTag& parent, const TextureTag& local, int placedTexture) {
  TextureTag tag = parent;
  tag.hidden = parent.hidden || local.hidden;
  if (local.section == TextureSection::kNone || parent.section == TextureSection::kFallback) {
    return tag;
  }
  tag.texture = placedTexture;
  tag.section = local.section;
  return tag;
}

std::vector<InsertedLine> FlattenTextures(const Model& model) {
  std::vector<InsertedLine> inserted;
  if (!model.HasTextures()) return inserted;
  // The block open before the line at i: its texture and section, none when
  // no block is open. A block said with NEXT closes after its one line.
  TextureTag open;
  bool openedWithNext = false;
  auto close = [&](int i) {
    if (open.section != TextureSection::kNone && !openedWithNext) inserted.push_back({i, kEndLine});
    open = TextureTag{};
    openedWithNext = false;
  };
  // The drawing lines from i on, up to the first of another texture or
  // section, and whether the one after them is the fallback of the same
  // texture.
  auto run = [&](int i, const TextureTag& tag, bool* fallbackFollows) {
    int count = 0;
    *fallbackFollows = false;
    for (int j = i; j < model.Size(); ++j) {
      if (!IsDrawing(model.ElementAt(j).LineType())) continue;
      TextureTag other = model.TagAt(j);
      if (other.texture != tag.texture || other.section != tag.section) {
        *fallbackFollows =
            other.texture == tag.texture && other.section == TextureSection::kFallback;
        break;
      }
      ++count;
    }
    return count;
  };
  for (int i = 0; i < model.Size(); ++i) {
    if (!IsDrawing(model.ElementAt(i).LineType())) continue;
    TextureTag tag = model.TagAt(i);
    if (openedWithNext) close(i);
    if (tag.texture == open.texture && tag.section == open.section) continue;
    if (tag.section == TextureSection::kFallback && open.texture == tag.texture &&
        open.section == TextureSection::kTextured) {
      inserted.push_back({i, kFallbackLine});
      open.section = TextureSection::kFallback;
      continue;
    }
    close(i);
    if (tag.section == TextureSection::kNone) continue;
    const Model::Texture& texture = model.TextureAt(tag.texture);
    bool fallbackFollows = false;
    if (!texture.nextText.empty() && tag.section == TextureSection::kTextured &&
        run(i, tag, &fallbackFollows) == 1 && !fallbackFollows) {
      inserted.push_back({i, texture.nextText});
      openedWithNext = true;
    } else {
      inserted.push_back({i, texture.startText});
    }
    open = tag;
    open.hidden = false;
    if (tag.section == TextureSection::kFallback) inserted.push_back({i, kFallbackLine});
  }
  close(model.Size());
  return inserted;
}

std::vector<InsertedLine> MergeInserted(std::vector<InsertedLine> first,
                                        const std::vector<InsertedLine>& second) {
  std::vector<InsertedLine> merged;
  merged.reserve(first.size() + second.size());
  std::merge(first.begin(), first.end(), second.begin(), second.end(), std::back_inserter(merged),
             [](const InsertedLine& a, const InsertedLine& b) { return a.before < b.before; });
  return merged;
}

}  // namespace halvex
