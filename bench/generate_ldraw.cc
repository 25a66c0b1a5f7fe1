// Writes synthetic LDraw files for the benchmark. The output depends only on
// the arguments: the random numbers come from a fixed-seed generator of our
// own and every number is printed from integers, so every machine writes the
// same bytes.
//
//   halvex_bench_gen polygons N FILE    N polygons (60% triangles, 40% quads)
//                                       with N/2 edge lines, N/4 conditional
//                                       lines and a comment every 64 lines.
//   halvex_bench_gen expansion N FILE   N references placing stud.dat and other
//                                       files of the sample library.
//   halvex_bench_gen model N FILE LIBDIR
//                                       A model: N placements of up to 400
//                                       parts of the library LIBDIR (every
//                                       k-th of its parts/ by name) on a
//                                       square grid 160 LDU apart, turned by
//                                       multiples of 90 degrees.
//   halvex_bench_gen strips N FILE      N strips of 26 lines, each a comment and
//                                       half a cylinder as library parts draw
//                                       it: 8 quads, 4 triangles, 8 edge lines
//                                       and 5 conditional lines, with the
//                                       short 4-decimal coordinates of
//                                       primitives.
//
// In the polygon file about 10% of the polygons cross x = 0 by more than the
// default precision; the others, like every line, lie wholly on one side,
// half on each. In the strip file 10% of the strips cross x = 0, the others
// lie wholly on one side, half on each.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace {

// splitmix64: small, fast and the same everywhere.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  // Uniform in [0, n).
  std::int64_t Below(std::int64_t n) {
    return static_cast<std::int64_t>(Next() % static_cast<std::uint64_t>(n));
  }
  // Uniform in [lo, hi].
  std::int64_t Between(std::int64_t lo, std::int64_t hi) { return lo + Below(hi - lo + 1); }

 private:
  std::uint64_t state_;
};

// Coordinates are held in units of 1/10000, which is what "up to four
// decimals" can express exactly.
constexpr std::int64_t kUnit = 10000;

struct Vertex {
  std::int64_t v[3];
};

// Appends `units` / 10000 with `decimals` decimals (0 to 4), trailing zeros
// of the chosen decimals kept as a human-edited file might have them.
void AppendCoordinate(std::string& out, std::int64_t units, int decimals) {
  static const std::int64_t kDrop[] = {10000, 1000, 100, 10, 1};
  std::int64_t scaled = units / kDrop[decimals];  // Truncates toward zero.
  if (scaled < 0) {
    out.push_back('-');
    scaled = -scaled;
  }
  std::int64_t divisor = 1;
  for (int k = 0; k < decimals; ++k) divisor *= 10;
  out.append(std::to_string(scaled / divisor));
  if (decimals > 0) {
    std::string fraction = std::to_string(scaled % divisor);
    out.push_back('.');
    out.append(static_cast<std::size_t>(decimals) - fraction.size(), '0');
    out.append(fraction);
  }
}

class Writer {
 public:
  explicit Writer(std::FILE* file) : file_(file) {}
  ~Writer() { Flush(); }
  std::string& Line() { return line_; }
  void EndLine() {
    line_.append("\r\n");
    buffer_.append(line_);
    line_.clear();
    if (buffer_.size() > (1 << 20)) Flush();
  }
  void Flush() {
    std::fwrite(buffer_.data(), 1, buffer_.size(), file_);
    buffer_.clear();
  }

 private:
  std::FILE* file_;
  std::string line_;
  std::string buffer_;
};

// A point in the box |x| <= 200, |y| <= 200, |z| <= 200 (in units).
Vertex RandomPoint(Random& random) {
  return {{random.Between(-200 * kUnit, 200 * kUnit), random.Between(-200 * kUnit, 200 * kUnit),
           random.Between(-200 * kUnit, 200 * kUnit)}};
}

// Mirrors and moves the points along x so that they lie on one side of x = 0
// with a gap of at least 0.05: the kept side (x > 0) when `kept`.
void MoveToSide(Vertex* points, int count, bool kept) {
  std::int64_t lo = points[0].v[0], hi = points[0].v[0];
  for (int k = 1; k < count; ++k) {
    lo = std::min(lo, points[k].v[0]);
    hi = std::max(hi, points[k].v[0]);
  }
  std::int64_t gap = kUnit / 20;
  // Mirror a polygon on the wrong side first, so that both sides keep the
  // spread of the random centres.
  if (kept ? hi < 0 : lo > 0) {
    for (int k = 0; k < count; ++k) points[k].v[0] = -points[k].v[0];
    std::swap(lo, hi);
    lo = -lo;
    hi = -hi;
  }
  std::int64_t shift = 0;
  if (kept && lo < gap) shift = gap - lo;
  if (!kept && hi > -gap) shift = -gap - hi;
  for (int k = 0; k < count; ++k) points[k].v[0] += shift;
}

// A convex polygon of `count` corners (3 or 4) around a random centre: the
// corners of a parallelogram (or three of them) spanned by two random edge
// vectors. When `across`, the x axis runs through it: the first corner lies
// on one side and the third on the other, both at least 0.05 away.
void RandomPolygon(Random& random, int count, bool across, Vertex* corners) {
  Vertex centre = RandomPoint(random);
  Vertex u, w;
  for (int a = 0; a < 3; ++a) {
    u.v[a] = random.Between(-8 * kUnit, 8 * kUnit);
    w.v[a] = random.Between(-8 * kUnit, 8 * kUnit);
  }
  // Corners centre -u -w, +u -w, +u +w, -u +w in order: a convex loop.
  static const int kSigns[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  for (int k = 0; k < count; ++k) {
    for (int a = 0; a < 3; ++a) {
      corners[k].v[a] = centre.v[a] + kSigns[k][0] * u.v[a] + kSigns[k][1] * w.v[a];
    }
  }
  if (!across) {
    MoveToSide(corners, count, random.Below(2) == 0);
    return;
  }
  // Corners 0 and 2 are the ends of a diagonal: make their x differ by at
  // least 0.2 and put x = 0 between them, away from both.
  std::int64_t dx = corners[2].v[0] - corners[0].v[0];
  if (dx > -2 * kUnit / 10 && dx < 2 * kUnit / 10) {
    std::int64_t push = dx >= 0 ? 2 * kUnit / 10 - dx : -2 * kUnit / 10 - dx;
    corners[2].v[0] += push;
    dx += push;
  }
  std::int64_t lo = std::min(corners[0].v[0], corners[2].v[0]);
  std::int64_t span = dx >= 0 ? dx : -dx;
  std::int64_t target = -lo - kUnit / 10 - random.Below(span - 2 * kUnit / 10 + 1);
  for (int k = 0; k < count; ++k) corners[k].v[0] += target;
}

void AppendPoints(std::string& out, Random& random, const Vertex* points, int count) {
  for (int k = 0; k < count; ++k) {
    for (int a = 0; a < 3; ++a) {
      out.push_back(' ');
      AppendCoordinate(out, points[k].v[a], static_cast<int>(random.Below(5)));
    }
  }
}

int GeneratePolygons(long count, std::FILE* file) {
  Random random(0x5eed0001);
  Writer writer(file);
  for (const char* header :
       {"0 Synthetic benchmark part", "0 Name: bench.dat", "0 Author: Halvex benchmark generator",
        "0 !LICENSE Generated data, no rights reserved", "", "0 BFC CERTIFY CCW", ""}) {
    writer.Line().append(header);
    writer.EndLine();
  }
  // Per four polygons: two edge lines and one conditional line, so the
  // totals are N polygons, N/2 edge lines, N/4 conditional lines.
  long polygons = 0, edges = 0, conds = 0, lines = 0;
  while (polygons < count) {
    std::string& line = writer.Line();
    if (++lines % 64 == 0) {
      line.append("0 // Section ");
      line.append(std::to_string(lines / 64));
      writer.EndLine();
      continue;
    }
    std::int64_t pick = random.Below(7);
    Vertex points[4];
    if (pick < 4) {
      int corners = random.Below(5) < 3 ? 3 : 4;
      bool across = random.Below(10) == 0;
      RandomPolygon(random, corners, across, points);
      line.append(corners == 3 ? "3 16" : "4 16");
      AppendPoints(line, random, points, corners);
      ++polygons;
    } else if (pick < 6 && edges * 2 < polygons + 2) {
      RandomPolygon(random, 3, false, points);
      line.append("2 24");
      AppendPoints(line, random, points, 2);
      ++edges;
    } else if (conds * 4 < polygons + 4) {
      RandomPolygon(random, 4, false, points);
      line.append("5 24");
      AppendPoints(line, random, points, 4);
      ++conds;
    } else {
      continue;
    }
    writer.EndLine();
  }
  return 0;
}

int GenerateExpansion(long count, std::FILE* file) {
  // Mostly studs, as real models are, and now and then a primitive, a subpart
  // or a whole part of the sample library.
  static const char* const kCommon[] = {"stud.dat",  "stud.dat",    "stud.dat",    "stud.dat",
                                        "stud2.dat", "4-4edge.dat", "4-4cyli.dat", "4-4disc.dat",
                                        "box5.dat",  "rect.dat"};
  static const char* const kRare[] = {"3001.dat",  "3024.dat",       "3039.dat",
                                      "3062b.dat", "s\\3001s01.dat", "3626c.dat",
                                      "3700.dat",  "3960.dat",       "LS22.dat"};
  Random random(0x5eed0002);
  Writer writer(file);
  for (const char* header : {"0 Synthetic benchmark model", "0 Name: bench_expand.dat",
                             "0 Author: Halvex benchmark generator", "0 BFC CERTIFY CCW", ""}) {
    writer.Line().append(header);
    writer.EndLine();
  }
  for (long k = 0; k < count; ++k) {
    std::string& line = writer.Line();
    const char* name = random.Below(50) == 0 ? kRare[random.Below(9)] : kCommon[random.Below(10)];
    bool mirrored = random.Below(8) == 0;
    if (random.Below(16) == 0) {
      line.append("0 BFC INVERTNEXT");
      writer.EndLine();
    }
    line.append("1 16");
    Vertex position = RandomPoint(random);
    AppendPoints(line, random, &position, 1);
    // A rotation about y by a multiple of 90 degrees, mirrored in x now and then.
    static const int kRotations[4][9] = {{1, 0, 0, 0, 1, 0, 0, 0, 1},
                                         {0, 0, 1, 0, 1, 0, -1, 0, 0},
                                         {-1, 0, 0, 0, 1, 0, 0, 0, -1},
                                         {0, 0, -1, 0, 1, 0, 1, 0, 0}};
    const int* rotation = kRotations[random.Below(4)];
    for (int e = 0; e < 9; ++e) {
      int value = mirrored && e % 3 == 0 ? -rotation[e] : rotation[e];
      line.push_back(' ');
      line.append(std::to_string(value));
    }
    line.push_back(' ');
    line.append(name);
    writer.EndLine();
  }
  return 0;
}

// Appends a coordinate of `units` / 10000 as library files write it: four
// decimals at most, trailing zeros and a bare point dropped.
void AppendTrimmed(std::string& out, std::int64_t units) {
  std::string text;
  AppendCoordinate(text, units, 4);
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  if (text == "-0") text = "0";
  out.append(text);
}

void AppendVertices(std::string& out, const Vertex* points, int count) {
  for (int k = 0; k < count; ++k) {
    for (int a = 0; a < 3; ++a) {
      out.push_back(' ');
      AppendTrimmed(out, points[k].v[a]);
    }
  }
}

int GenerateStrips(long count, std::FILE* file) {
  // cos(2 pi k / 16) in units, rounded to four decimals as primitives have it.
  static const std::int64_t kCos[16] = {10000,  9239,   7071,   3827,   0,      -3827,
                                        -7071,  -9239,  -10000, -9239,  -7071,  -3827,
                                        0,      3827,   7071,   9239};
  Random random(0x5eed0003);
  Writer writer(file);
  for (const char* header :
       {"0 Synthetic benchmark part of strips", "0 Name: bench_strips.dat",
        "0 Author: Halvex benchmark generator", "0 BFC CERTIFY CCW", ""}) {
    writer.Line().append(header);
    writer.EndLine();
  }
  for (long strip = 0; strip < count; ++strip) {
    writer.Line().append("0 // Strip " + std::to_string(strip));
    writer.EndLine();
    // Half a cylinder of radius r and height h around (cx, cy, cz), from
    // segment `first` of 16 on: one that crosses x = 0 is centred on it, so
    // its corners lie up to r away on either side; the others keep a gap of
    // at least one unit to it.
    std::int64_t r = random.Between(1, 2);
    std::int64_t h = random.Between(1, 4);
    std::int64_t cx = 0;
    if (random.Below(10) != 0) {
      cx = random.Between(r + 1, r + 4) * (random.Below(2) == 0 ? 1 : -1);
    }
    std::int64_t cy = -random.Between(0, 24);
    std::int64_t cz = random.Between(-4, 4);
    int first = static_cast<int>(random.Below(16));
    Vertex bottom[9], top[9];
    for (int k = 0; k < 9; ++k) {
      int segment = (first + k) % 16;
      std::int64_t x = cx * kUnit + r * kCos[segment];
      std::int64_t z = cz * kUnit + r * kCos[(segment + 12) % 16];
      bottom[k] = {{x, cy * kUnit, z}};
      top[k] = {{x, (cy - h) * kUnit, z}};
    }
    for (int k = 0; k < 8; ++k) {
      Vertex quad[4] = {bottom[k], bottom[k + 1], top[k + 1], top[k]};
      writer.Line().append("4 16");
      AppendVertices(writer.Line(), quad, 4);
      writer.EndLine();
    }
    Vertex centre = {{cx * kUnit, cy * kUnit, cz * kUnit}};
    for (int k = 0; k < 4; ++k) {
      Vertex triangle[3] = {centre, bottom[2 * k + 2], bottom[2 * k]};
      writer.Line().append("3 16");
      AppendVertices(writer.Line(), triangle, 3);
      writer.EndLine();
    }
    for (int k = 0; k < 8; ++k) {
      Vertex edge[2] = {k % 2 == 0 ? bottom[k] : top[k - 1], k % 2 == 0 ? bottom[k + 1] : top[k + 1]};
      writer.Line().append("2 24");
      AppendVertices(writer.Line(), edge, 2);
      writer.EndLine();
    }
    for (int k = 1; k <= 5; ++k) {
      Vertex cond[4] = {bottom[k], top[k], bottom[k - 1], bottom[k + 1]};
      writer.Line().append("5 24");
      AppendVertices(writer.Line(), cond, 4);
      writer.EndLine();
    }
  }
  return 0;
}

// The parts a model places: up to `most` of the .dat files of
// `library`/parts, every k-th by name, so that they spread over the library.
std::vector<std::string> ModelParts(const std::filesystem::path& library, std::size_t most) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(library / "parts", error)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file(error) && name.size() > 4 &&
        name.compare(name.size() - 4, 4, ".dat") == 0) {
      names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  if (names.size() <= most) return names;
  std::vector<std::string> picked;
  for (std::size_t k = 0; k < most; ++k) picked.push_back(names[k * names.size() / most]);
  return picked;
}

int GenerateModel(long count, std::FILE* file, const char* library) {
  const std::vector<std::string> parts = ModelParts(library, 400);
  if (parts.empty()) {
    std::fprintf(stderr, "no parts in %s/parts\n", library);
    return 1;
  }
  static const int kColours[] = {1, 2, 4, 14, 15, 16, 71, 72};
  static const int kRotations[4][9] = {{1, 0, 0, 0, 1, 0, 0, 0, 1},
                                       {0, 0, 1, 0, 1, 0, -1, 0, 0},
                                       {-1, 0, 0, 0, 1, 0, 0, 0, -1},
                                       {0, 0, -1, 0, 1, 0, 1, 0, 0}};
  Random random(0x5eed0004);
  Writer writer(file);
  for (const char* header : {"0 Synthetic benchmark model of library parts",
                             "0 Name: bench_model.ldr", "0 Author: Halvex benchmark generator",
                             "0 BFC CERTIFY CCW", ""}) {
    writer.Line().append(header);
    writer.EndLine();
  }
  const long side = std::max(1L, static_cast<long>(std::ceil(std::sqrt(static_cast<double>(count)))));
  for (long k = 0; k < count; ++k) {
    std::string& line = writer.Line();
    line.append("1 ");
    line.append(std::to_string(kColours[random.Below(8)]));
    // Grid columns centred on x = 0, so that the plane x = 0 runs through
    // the middle of the model.
    line.append(" " + std::to_string((k % side - side / 2) * 160) + " 0 " +
                std::to_string((k / side - side / 2) * 160));
    for (int e : kRotations[random.Below(4)]) line.append(" " + std::to_string(e));
    line.append(" " + parts[static_cast<std::size_t>(k) % parts.size()]);
    writer.EndLine();
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "model") == 0) {
    std::FILE* file = std::fopen(argv[3], "wb");
    if (!file) {
      std::perror(argv[3]);
      return 1;
    }
    int code = GenerateModel(std::strtol(argv[2], nullptr, 10), file, argv[4]);
    if (std::fclose(file) != 0) return 1;
    return code;
  }
  if (argc != 4 || (std::strcmp(argv[1], "polygons") != 0 &&
                    std::strcmp(argv[1], "expansion") != 0 && std::strcmp(argv[1], "strips") != 0)) {
    std::fprintf(stderr, "usage: %s polygons|expansion|strips COUNT FILE\n"
                 "       %s model COUNT FILE LIBDIR\n", argv[0], argv[0]);
    return 1;
  }
  long count = std::strtol(argv[2], nullptr, 10);
  std::FILE* file = std::fopen(argv[3], "wb");
  if (!file) {
    std::perror(argv[3]);
    return 1;
  }
  int code = std::strcmp(argv[1], "polygons") == 0    ? GeneratePolygons(count, file)
             : std::strcmp(argv[1], "expansion") == 0 ? GenerateExpansion(count, file)
                                                      : GenerateStrips(count, file);
  if (std::fclose(file) != 0) return 1;
  return code;
}
