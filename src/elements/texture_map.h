// The statements of LDraw.org's "Texture Mapping (!TEXMAP) Language
// Extension" (https://www.ldraw.org/texmap-spec.html, revision of
// 01-Aug-2020): a START or NEXT line that gives a projection and an image,
// FALLBACK and END lines that mark the sections of a block, and the "0 !:"
// prefix that hides textured geometry from programs that do not know the
// extension. The program never reads the images; it keeps their names as
// written and moves the projection with the geometry it is attached to.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "geometry/point.h"

namespace halvex {

enum class TexmapCommand { kNone, kStart, kNext, kFallback, kEnd };

// The command of a meta line's text (what follows "0 "): a first word
// "!TEXMAP" followed by START, NEXT, FALLBACK or END, as the extension
// writes them (upper case); kNone for any other text.
TexmapCommand TexmapCommandOf(std::string_view metaText);

// The geometry line that a meta line's text hides behind "!:" (the
// extension's "0 !: <geometry1>"), without the prefix and the blanks after
// it; none when the text does not start with "!:".
std::optional<std::string_view> HiddenLineOf(std::string_view metaText);

enum class Projection { kPlanar, kCylindrical, kSpherical };

// The projection of a START or NEXT line. The extension's three points:
// PLANAR p1 the image's origin, p2 the end of its U side, p3 the end of its
// V side; CYLINDRICAL p1 the centre of the cylinder's bottom, p2 the centre
// of its top, p3 the point of the bottom edge where the image's middle
// touches (angle 0), `a` the angle in degrees the image spans around the
// axis; SPHERICAL p1 the centre, p2 the image's middle on the sphere, p3 a
// point of the plane that halves the image across, `a` and `b` the angles
// it spans along and across that plane. `image` is the rest of the line as
// written: the image's name and an optional "GLOSSMAP name".
struct TextureMap {
  Projection projection = Projection::kPlanar;
  Point p1, p2, p3;
  double a = 0;
  double b = 0;
  std::string image;

  // The projection of a START or NEXT meta text; none when the text is no
  // such line or lacks a number or the image name.
  static std::optional<TextureMap> Parse(std::string_view metaText);

  // The projection moved with geometry placed by `m` and `offset` (p to
  // m*p + offset). The points move as every point does. A mirroring `m`
  // (negative determinant) turns the direction in which the cylindrical
  // projection measures its angle, and the side of its plane on which the
  // spherical one measures the angle across it (both are taken by the right
  // hand about an axis made of the points); the angle spanned is negated
  // there, so that every point of the placed geometry keeps the image
  // coordinates it had, as it does under the planar projection.
  TextureMap Placed(const Matrix3& m, const Vector& offset) const;

  // "0 !TEXMAP START" (or NEXT), the method, the points and angles (%g) and
  // the image.
  std::string StartText(bool next = false) const;
};

// The prefix of a hidden geometry line, as the program writes it.
inline constexpr std::string_view kHiddenPrefix = "0 !: ";

// The section of a texture block a line lies in, which says who draws it:
// programs that know the extension draw what lies between START and
// FALLBACK, with the texture, and ignore what lies between FALLBACK and END
// ("All geometry between FALLBACK and END are ignored"); the others draw
// every line that is not hidden behind "0 !:".
enum class TextureSection : std::uint8_t { kNone = 0, kTextured = 1, kFallback = 2 };

// Where a line stands in the texture blocks of its file: its section, the
// texture of that section (an index the file's reader gives, -1 with
// kNone), and whether it is hidden behind "0 !:". Inside nested blocks the
// innermost texture applies; a line in the fallback section of any
// enclosing block lies in that block's fallback.
struct TextureTag {
  std::int32_t texture = -1;
  TextureSection section = TextureSection::kNone;
  bool hidden = false;
  bool operator==(const TextureTag&) const = default;
};

}  // namespace halvex
