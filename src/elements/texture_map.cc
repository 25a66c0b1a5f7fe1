#include "elements/texture_map.h"

#include <array>

#include "geometry/number_text.h"

namespace halvex {
namespace {

// The word at `pos` (white space skipped) and the position after it.
std::string_view WordAt(std::string_view text, std::size_t* pos) {
  std::size_t start = SkipSpace(text, *pos);
  std::size_t end = SkipToken(text, start);
  *pos = end;
  return text.substr(start, end - start);
}

}  // namespace

TexmapCommand TexmapCommandOf(std::string_view metaText) {
  std::size_t pos = 0;
  if (WordAt(metaText, &pos) != "!TEXMAP") return TexmapCommand::kNone;
  std::string_view command = WordAt(metaText, &pos);
  if (command == "START") return TexmapCommand::kStart;
  if (command == "NEXT") return TexmapCommand::kNext;
  if (command == "FALLBACK") return TexmapCommand::kFallback;
  if (command == "END") return TexmapCommand::kEnd;
  return TexmapCommand::kNone;
}

std::optional<std::string_view> HiddenLineOf(std::string_view metaText) {
  std::size_t start = SkipSpace(metaText, 0);
  if (metaText.substr(start, 2) != "!:") return std::nullopt;
  return metaText.substr(SkipSpace(metaText, start + 2));
}

std::optional<TextureMap> TextureMap::Parse(std::string_view metaText) {
  TexmapCommand command = TexmapCommandOf(metaText);
  if (command != TexmapCommand::kStart && command != TexmapCommand::kNext) return std::nullopt;
  std::size_t pos = 0;
  WordAt(metaText, &pos);
  WordAt(metaText, &pos);
  TextureMap map;
  std::string_view method = WordAt(metaText, &pos);
  int angles = 0;
  if (method == "PLANAR") {
    map.projection = Projection::kPlanar;
  } else if (method == "CYLINDRICAL") {
    map.projection = Projection::kCylindrical;
    angles = 1;
  } else if (method == "SPHERICAL") {
    map.projection = Projection::kSpherical;
    angles = 2;
  } else {
    return std::nullopt;
  }
  std::array<double, 11> numbers{};
  for (int k = 0; k < 9 + angles; ++k) {
    ScannedNumber number = ScanNumberToken(metaText, pos);
    if (!number.value) return std::nullopt;
    numbers[static_cast<std::size_t>(k)] = *number.value;
    pos = number.end;
  }
  map.p1 = {numbers[0], numbers[1], numbers[2]};
  map.p2 = {numbers[3], numbers[4], numbers[5]};
  map.p3 = {numbers[6], numbers[7], numbers[8]};
  map.a = numbers[9];
  map.b = numbers[10];
  map.image = TrimSpace(metaText.substr(pos));
  if (map.image.empty()) return std::nullopt;
  return map;
}

TextureMap TextureMap::Placed(const Matrix3& m, const Vector& offset) const {
  TextureMap placed = *this;
  placed.p1 = Add(Apply(m, p1), offset);
  placed.p2 = Add(Apply(m, p2), offset);
  placed.p3 = Add(Apply(m, p3), offset);
  if (Determinant(m) < 0.0) {
    // Cylindrical: U = 1/2 + angle / a, the angle about p2 - p1 from p3's
    // direction, which a mirror turns round. Spherical: V = 1/2 + angle / b,
    // the angle out of the plane p1 p2 p3 towards (p2 - p1) x (p3 - p1),
    // which a mirror turns to the other side; its U angle, measured about
    // that same normal, keeps its sign.
    if (projection == Projection::kCylindrical) placed.a = -a;
    if (projection == Projection::kSpherical) placed.b = -b;
  }
  return placed;
}

std::string TextureMap::StartText(bool next) const {
  std::string text = next ? "0 !TEXMAP NEXT " : "0 !TEXMAP START ";
  switch (projection) {
    case Projection::kPlanar:
      text += "PLANAR ";
      break;
    case Projection::kCylindrical:
      text += "CYLINDRICAL ";
      break;
    case Projection::kSpherical:
      text += "SPHERICAL ";
      break;
  }
  for (const Point* p : {&p1, &p2, &p3}) {
    p->AppendText(text);
    text += ' ';
  }
  if (projection != Projection::kPlanar) {
    AppendNumber(text, a);
    text += ' ';
  }
  if (projection == Projection::kSpherical) {
    AppendNumber(text, b);
    text += ' ';
  }
  text += image;
  return text;
}

}  // namespace halvex
