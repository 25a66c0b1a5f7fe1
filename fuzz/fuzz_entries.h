// What the fuzzers do with one input, as plain functions: the libFuzzer
// targets call them, and the test suite replays the saved corpus through them
// without libFuzzer. Each answers an empty string when every property it
// checks holds, or says which one broke; a crash, a hang or a sanitizer
// report is a failure of its own.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <stdlib.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "../tests/model/zip_test_archive.h"
#include "app/split_run.h"
#include "elements/element.h"
#include "elements/lines.h"
#include "elements/meta_line.h"
#include "elements/polygons.h"
#include "elements/subfile_ref.h"
#include "geometry/number_text.h"
#include "geometry/precision.h"
#include "model/ldraw_reader.h"

namespace halvex::fuzz {

namespace detail {

// The points an element carries, for the checks on cut pieces.
inline std::vector<Point> PointsOf(const Element& element) {
  if (auto* t = dynamic_cast<const Triangle*>(&element)) {
    return {t->Corners().begin(), t->Corners().end()};
  }
  if (auto* q = dynamic_cast<const Quad*>(&element)) {
    return {q->Corners().begin(), q->Corners().end()};
  }
  if (auto* s = dynamic_cast<const SubfileRef*>(&element)) return {s->Position()};
  // Edge and conditional lines: the segment that every plane operation uses.
  if (auto ends = element.FirstTwoPoints()) return {ends->first, ends->second};
  return {};
}

inline double LargestMagnitude(const std::vector<Point>& points) {
  double largest = 0;
  for (const Point& p : points) {
    for (double v : {p.x, p.y, p.z}) largest = std::fmax(largest, std::fabs(v));
  }
  return largest;
}

// The splitter of the line checks: the plane x = 0, keeping x > 0.
inline const Triangle& XPlane() {
  static const Triangle plane(std::array<Point, 3>{{{0, 0, 0}, {0, 0, 10}, {0, 10, 0}}},
                              Colour(kMainColour));
  return plane;
}

// Runs every plane operation of `element` against the fixed splitter, and of
// fixed elements against `element` used as splitter. Checks that the pieces
// of an element across the plane, with finite and moderate coordinates, lie
// on the kept side.
inline std::string ExercisePlaneOperations(Element& element, const Element* previous) {
  const Triangle& plane = XPlane();
  std::vector<Point> before = PointsOf(element);
  // Below this size every coordinate and crossing is computed with room to
  // spare, so the cut pieces can be held to a tight bound.
  bool moderate = LargestMagnitude(before) < 1e6;
  bool across = element.Classify(plane) == Side::kAcross;
  ElementArena arena;
  CutPieces pieces = element.Cut(plane, arena);
  for (const ArenaPtr<Element>* piece : {&pieces.first, &pieces.second}) {
    if (!*piece || !moderate || !across) continue;
    for (const Point& p : PointsOf(**piece)) {
      // Rounding of a crossing point stays far below this at |x| < 1e6.
      if (p.x < -1e-6) return "cut piece on the removed side: " + (*piece)->ToText();
    }
    (*piece)->ToText();
  }
  element.IsSelfSymmetric(plane);
  if (std::unique_ptr<EdgeLine> edge = element.FirstEdge()) {
    // A polygon has at most four edges; a longer walk would never end.
    for (int k = 0; edge && k < 4; ++k) {
      if (previous) previous->AngleTo(element, *edge);
      element.AngleTo(plane, *edge);
      element.VertexOffEdge(*edge);
      element.SameGeometry(*edge);
      edge = element.NextEdge();
    }
    if (edge) return "edge walk does not end: " + element.ToText();
  }
  element.Normal();

  // The element as splitter: a degenerate or non-finite plane must be harmless.
  Triangle triangle(std::array<Point, 3>{{{-1, 2, 3}, {4, -5, 6}, {7, 8, -9}}}, Colour(4));
  Quad quad(std::array<Point, 4>{{{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}}}, Colour(1));
  EdgeLine line(Point{-3, 0, 1}, Point{3, 0, -1}, Colour(24));
  for (Element* other : std::initializer_list<Element*>{&triangle, &quad, &line}) {
    other->Classify(element);
    other->Cut(element, arena);
    other->IsSelfSymmetric(element);
    other->ToText();
  }
  Point projection;
  element.SignedDistance(Point{1, 2, 3}, &projection);
  element.IsMirrorPair(Point{1, 2, 3}, Point{-1, 2, 3});
  element.Intersect(Point{-1, 0, 0}, Point{1, 0, 0}, &projection);

  element.Transform(Matrix3{0, 0, -1, 0, 1, 0, 1, 0, 0});
  element.Translate(Vector{1.5, -2, 1e3});
  element.InheritColour(Colour(4));
  element.ReverseWinding();
  element.SetColour(14);
  element.ToText();
  return {};
}

inline std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteWholeFile(const std::filesystem::path& path, std::string_view text) {
  std::ofstream(path, std::ios::binary)
      .write(text.data(), static_cast<std::streamsize>(text.size()));
}

// An output file is CR LF lines, each holding no other CR or LF.
inline bool IsWellFormedOutput(std::string_view text) {
  for (std::size_t k = 0; k < text.size(); ++k) {
    if (text[k] == '\r' && (k + 1 == text.size() || text[k + 1] != '\n')) return false;
    if (text[k] == '\n' && (k == 0 || text[k - 1] != '\r')) return false;
  }
  return text.empty() || text.back() == '\n';
}

// The small library of every pipeline run: files that reference each other,
// the input itself and a subfile that cannot be found, mirrored and inverted,
// in colour and in main colour. No library file references another more than
// twice, so the expansion stays small whatever the input holds. Each file has
// its path in the library folder and its entry in the library's zip archive,
// which spells some names in other cases, as archives made elsewhere do.
struct LibraryFile {
  const char* path;
  const char* entry;
  const char* text;
};
inline constexpr std::array<LibraryFile, 3> kLibraryFiles = {{
    {"parts/brick.dat", "ldraw/parts/brick.dat",
     "0 Brick\n"
     "0 BFC CERTIFY CCW\n"
     "1 4 0 0 0 1 0 0 0 1 0 0 0 1 s\\brick_s01.dat\n"
     "0 BFC INVERTNEXT\n"
     "1 16 0 -4 0 -1 0 0 0 1 0 0 0 1 S\\BRICK_S01.DAT\n"
     "1 16 5 0 5 1 0 0 0 1 0 0 0 1 stud.dat\n"
     "1 16 0 0 0 1 0 0 0 1 0 0 0 1 missing.dat\n"
     "4 16 -10 0 -10 10 0 -10 10 0 10 -10 0 10\n"},
    {"parts/s/brick_s01.dat", "ldraw/Parts/S/Brick_S01.DAT",
     "0 BFC CERTIFY CW\n"
     "4 16 -10 0 -10 -10 4 -10 10 4 -10 10 0 -10\n"
     "5 24 -10 0 -10 -10 4 -10 0 0 1 0 0 -1\n"
     "2 24 -10 0 -10 10 0 -10\n"
     "1 0x2FF0000 0 0 0 1 0 0 0 1 0 0 0 1 ..\\..\\s\\back.dat\n"},
    {"p/stud.dat", "ldraw/p/stud.dat",
     "0 BFC CERTIFY CCW\n"
     "3 16 0 0 0 6 0 0 0 0 6\n"
     "2 24 6 0 0 6 -4 0\n"},
}};

// The folder every pipeline run works in, made once per process: the input,
// splitter files, the library as a folder (lib) and as a zip archive
// (lib.zip), and a file outside the library that a library file reaches by
// a relative path.
class Workspace {
 public:
  Workspace() {
    namespace fs = std::filesystem;
#ifdef _WIN32
    root_ = fs::temp_directory_path() / ("halvex-fuzz-" + std::to_string(::GetCurrentProcessId()));
    fs::remove_all(root_);
    fs::create_directory(root_);
#else
    std::string pattern = (std::filesystem::temp_directory_path() / "halvex-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    root_ = pattern;
#endif
    fs::create_directories(root_ / "lib" / "parts" / "s");
    fs::create_directories(root_ / "lib" / "p");
    fs::create_directories(root_ / "s");
    fs::create_directories(root_ / "folder.dat");
    WriteWholeFile(root_ / "split.dat",
                   "0 oblique plane and a plane y = 4\n"
                   "3 16 0 0 0 10 10 0 0 10 10\n"
                   "4 16 -9 4 -9 9 4 -9 9 4 9 -9 4 9\n");
    WriteWholeFile(root_ / "flat.dat",
                   "0 only degenerate polygons\n"
                   "3 16 1 1 1 1 1 1 1 1 1\n"
                   "4 16 0 0 0 1 1 1 2 2 2 3 3 3\n");
    WriteWholeFile(root_ / "s" / "back.dat",
                   "0 BFC CERTIFY CW\n"
                   "1 16 0 1 0 1 0 0 0 1 0 0 0 1 in.dat\n"
                   "3 16 -2 0 0 2 0 0 0 3 1\n");
    std::vector<std::pair<std::string, std::string>> entries;
    for (const LibraryFile& file : kLibraryFiles) {
      WriteWholeFile(root_ / "lib" / file.path, file.text);
      entries.emplace_back(file.entry, file.text);
    }
    if (!testing::WriteZip((root_ / "lib.zip").string(), entries)) std::abort();
  }
  ~Workspace() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;

  const std::filesystem::path& Root() const { return root_; }

 private:
  std::filesystem::path root_;
};

// Values for the options that take one, from ordinary to hostile.
inline constexpr std::array<const char*, 8> kValues = {"0",     "2.5", "-1",  "1e-300",
                                                       "1e300", "nan", "inf", "0.001"};

// Number of leading bytes of a pipeline input that choose the options.
inline constexpr std::size_t kOptionBytes = 4;

// The command line that the option bytes choose, every switch of the program
// among them, with files named relative to the workspace. A byte's zero bits
// add nothing, so an input of three option bytes reads as it did before the
// fourth was added once a zero byte is put after them.
//   byte 0: bits 0-1 no axis, x, y or z; bit 2 its sign; bit 3 the long form
//           with a value; bits 4-6 the value (kValues); bit 7 another -y+
//   byte 1: one bit per switch: -da -di -dn -d0 -i -c -ca -v
//   byte 2: bit 0 -s; bit 1 the library folder; bits 2-3 no splitter file,
//           split.dat, flat.dat or the input; bits 4-5 the output: out.dat,
//           the input, a file in a missing folder or a folder; bits 6-7 no -p,
//           -p 0.001 or -p with the value
//   byte 3: bit 0 -e; bit 1 the library zip archive; bit 2 the archive
//           before the folder rather than after it; bits 3-7 unused
inline std::vector<std::string> ChooseArguments(const std::array<std::uint8_t, kOptionBytes>& b,
                                                const std::string& root) {
  std::vector<std::string> args;
  auto bit = [&](int byte, int n) { return (b[static_cast<std::size_t>(byte)] >> n & 1) != 0; };
  const char* value = kValues[b[0] >> 4 & 7];
  if ((b[0] & 3) != 0) {
    std::string axis = std::string("-") + "xyz"[(b[0] & 3) - 1] + (bit(0, 2) ? '+' : '-');
    if (bit(0, 3)) {
      args.push_back(axis + axis.back());
      args.push_back(value);
    } else {
      args.push_back(axis);
    }
  }
  if (bit(0, 7)) args.push_back("-y+");
  const char* switches[] = {"-da", "-di", "-dn", "-d0", "-i", "-c", "-ca", "-v"};
  for (int n = 0; n < 8; ++n) {
    if (bit(1, n)) args.push_back(switches[n]);
  }
  if (bit(2, 0)) args.push_back("-s");
  if (bit(3, 0)) args.push_back("-e");
  std::vector<std::string> libraries;
  if (bit(2, 1)) libraries.push_back(root + "/lib");
  if (bit(3, 1)) {
    libraries.insert(bit(3, 2) ? libraries.begin() : libraries.end(), root + "/lib.zip");
  }
  for (std::string& library : libraries) {
    args.push_back("-l");
    args.push_back(std::move(library));
  }
  if ((b[2] >> 6 & 3) != 0) {
    args.push_back("-p");
    args.push_back((b[2] >> 6 & 3) == 1 ? "0.001" : value);
  }
  args.push_back(root + "/in.dat");
  const char* splitters[] = {nullptr, "/split.dat", "/flat.dat", "/in.dat"};
  if (const char* splitter = splitters[b[2] >> 2 & 3]) args.push_back(root + splitter);
  const char* outputs[] = {"/out.dat", "/in.dat", "/missing/out.dat", "/folder.dat"};
  args.push_back(root + outputs[b[2] >> 4 & 3]);
  return args;
}

}  // namespace detail

// Line parsers: every line of `data` becomes its element, whose text must
// parse back to an element of the same type printing the same text; then
// every plane operation runs on it.
inline std::string CheckLines(std::string_view data) {
  LineCursor cursor(data);
  std::string_view line;
  ElementArena arena;
  ArenaPtr<Element> previous;
  while (cursor.Next(&line)) {
    ArenaPtr<Element> element = ParseLine(line, arena);
    if (!element) continue;
    MetaKindOfElement(*element);
    std::string text = element->ToText();
    ArenaPtr<Element> again = ParseLine(text, arena);
    if (!again || again->LineType() != element->LineType() || again->ToText() != text) {
      return "printed line does not read back the same: " + text;
    }
    std::string problem = detail::ExercisePlaneOperations(*element, previous.get());
    if (!problem.empty()) return problem;
    previous = std::move(element);
  }
  return {};
}

// The whole program in-process: the first bytes choose a command line, the
// rest is the input file. Checks the exit code, that a failed run names its
// failure last and leaves the output as it was, that a successful one writes
// CR LF lines, and that no temporary file is left behind.
inline std::string CheckRun(std::string_view data) {
  namespace fs = std::filesystem;
  static detail::Workspace workspace;
  const fs::path& root = workspace.Root();
  std::array<std::uint8_t, detail::kOptionBytes> optionBytes{};
  for (std::size_t k = 0; k < optionBytes.size() && k < data.size(); ++k) {
    optionBytes[k] = static_cast<std::uint8_t>(data[k]);
  }
  std::string_view text = data.substr(std::min(data.size(), detail::kOptionBytes));
  detail::WriteWholeFile(root / "in.dat", text);
  std::error_code ignored;
  fs::remove(root / "out.dat", ignored);

  std::vector<std::string> args = detail::ChooseArguments(optionBytes, root.string());
  std::ostringstream report;
  const double savedPrecision = precision;
  int code = RunProgram(args, report, report);
  precision = savedPrecision;

  std::string said = report.str();
  std::string output = args.back();
  bool intoInput = output == (root / "in.dat").string();
  for (const fs::directory_entry& entry : fs::directory_iterator(root)) {
    if (entry.path().filename().string().starts_with(".halvex-")) {
      return "temporary file left behind: " + entry.path().string();
    }
  }
  if (code == kExitSuccess) {
    if (said.find("\nSaving ") == std::string::npos) return "success without a save report";
    if (!detail::IsWellFormedOutput(detail::ReadWholeFile(output))) return "output not CR LF lines";
    return {};
  }
  if (code != kExitUsage && code != kExitFileError) return "exit code " + std::to_string(code);
  if (intoInput ? detail::ReadWholeFile(output) != text : fs::exists(root / "out.dat")) {
    return "failed run changed the output";
  }
  if (code == kExitFileError) {
    // The designed message ends a line of the report; the system's reason
    // may follow it on standard error.
    for (std::string_view end :
         {" not found\n", " Can't create\n", " Can't write\n", " elements\n"}) {
      if (said.find(end) != std::string::npos) return {};
    }
    return "exit code 2 without a message: " + said;
  }
  return {};
}

// Number text against the C library. ScanDouble and ScanNumberToken must read
// `text` as sscanf "%lf" reads it, ScanInt as "%d" does, also when `text` is
// a view into a longer buffer with digits around it; ScanNumberToken must end
// where the token ends. Empty when they agree, else what differs.
inline std::string ScansLikeScanf(std::string_view text) {
  const std::string alone(text);
  std::string buffer = "7" + alone + "9e9";
  std::string_view view = std::string_view(buffer).substr(0, 1 + text.size());
  double c = 0;
  int cInt = 0;
  std::optional<double> expected;
  if (std::sscanf(alone.c_str(), "%lf", &c) == 1) expected = c;
  std::optional<int> expectedInt;
  if (std::sscanf(alone.c_str(), "%d", &cInt) == 1) expectedInt = cInt;
  auto same = [&](std::optional<double> v) {
    return v.has_value() == expected.has_value() &&
           (!v || std::bit_cast<std::uint64_t>(*v) == std::bit_cast<std::uint64_t>(*expected));
  };
  std::size_t end = 0;
  while (end < text.size() && IsSpace(text[end])) ++end;
  while (end < text.size() && !IsSpace(text[end])) ++end;
  ScannedNumber token = ScanNumberToken(view, 1);
  if (!same(ScanDouble(view, 1))) return "ScanDouble differs from %lf on \"" + alone + '"';
  if (!same(token.value) || token.end != 1 + end) {
    return "ScanNumberToken differs from %lf on \"" + alone + '"';
  }
  if (ScanInt(view, 1) != expectedInt) return "ScanInt differs from %d on \"" + alone + '"';
  return {};
}

// AppendNumber must write what printf "%g" writes, its exponent widened to
// three digits, after what the string held. Empty when it does.
inline std::string FormatsLikePrintf(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%g", value);
  std::string expected = buffer;
  if (expected.size() > 4 && expected[expected.size() - 4] == 'e') {
    expected.insert(expected.size() - 2, 1, '0');
  }
  std::string actual = "1 16 ";
  AppendNumber(actual, value);
  if (actual == "1 16 " + expected && actual.size() <= 5 + kMaxNumberLength) return {};
  std::snprintf(buffer, sizeof buffer, "%a", value);
  return std::string("AppendNumber(") + buffer + ") wrote \"" + actual.substr(5) + "\", printf \"" +
         expected + '"';
}

// Numbers: `data` as a number token, then the value it reads as, its
// neighbours and their negations printed.
inline std::string CheckNumbers(std::string_view data) {
  data = data.substr(0, data.find('\0'));  // The C library stops there.
  std::string problem = ScansLikeScanf(data);
  double value = 0;
  if (!problem.empty() || std::sscanf(std::string(data).c_str(), "%lf", &value) != 1) {
    return problem;
  }
  for (double beside : {value, std::nextafter(value, 0.0), std::nextafter(value, INFINITY)}) {
    for (double signed_ : {beside, -beside}) {
      problem = FormatsLikePrintf(signed_);
      if (!problem.empty()) return problem;
    }
  }
  return {};
}

}  // namespace halvex::fuzz
