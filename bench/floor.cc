// The benchmark's yardstick: the least work any program must do to split an
// LDraw file at x = 0. It reads the file line by line, parses every number of
// every geometry line with std::from_chars, keeps a line when its first x
// coordinate is not negative, formats the numbers of the kept lines back with
// six significant digits (std::to_chars in the general format, which gives
// "%g"'s text) and writes them with CR LF line ends. Comment lines are copied.
// No elements, no geometry, no cutting: Halvex's time over this is the price of
// its model.
//
//   halvex_floor IN OUT [--printf | --halvex-format]
//
// --printf formats with the C library's "%g" instead (the benchmark checks that
// both give the same bytes); --halvex-format with Halvex's own AppendNumber.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "geometry/number_text.h"

namespace {

constexpr std::size_t kChunk = 1 << 20;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// How many numbers follow the colour on a line of each type (1 to 5).
constexpr int kNumberCount[6] = {0, 12, 6, 9, 12, 12};

class Output {
 public:
  explicit Output(std::FILE* file) : file_(file) { buffer_.reserve(2 * kChunk); }
  ~Output() { Flush(); }
  std::string& Buffer() { return buffer_; }
  void MaybeFlush() {
    if (buffer_.size() >= kChunk) Flush();
  }
  void Flush() {
    std::fwrite(buffer_.data(), 1, buffer_.size(), file_);
    buffer_.clear();
  }

 private:
  std::FILE* file_;
  std::string buffer_;
};

enum class Format { kToChars, kPrintf, kHalvex };
Format format = Format::kToChars;

// Appends `value` as "%g" would: six significant digits, trailing zeros
// dropped, an exponent of at least two digits.
void AppendToChars(std::string& out, double value) {
  char text[32];
  char* end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6).ptr;
  out.append(text, static_cast<std::size_t>(end - text));
}

void ProcessLine(std::string_view line, Output& output) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  std::size_t pos = 0;
  while (pos < line.size() && IsSpace(line[pos])) ++pos;
  if (pos == line.size()) return;
  char type = line[pos];
  if (type == '0') {
    std::string& out = output.Buffer();
    out.append(line);
    out.append("\r\n");
    return;
  }
  if (type < '1' || type > '5') return;
  ++pos;
  const char* p = line.data() + pos;
  const char* end = line.data() + line.size();
  while (p < end && IsSpace(*p)) ++p;
  int colour = 0;
  p = std::from_chars(p, end, colour).ptr;
  double numbers[12];
  int count = kNumberCount[type - '0'];
  for (int k = 0; k < count; ++k) {
    while (p < end && IsSpace(*p)) ++p;
    numbers[k] = 0;
    p = std::from_chars(p, end, numbers[k]).ptr;
  }
  if (numbers[0] < 0) return;
  std::string& out = output.Buffer();
  char text[32];
  out.push_back(type);
  out.push_back(' ');
  out.append(text, static_cast<std::size_t>(std::to_chars(text, text + sizeof text, colour).ptr -
                                            text));
  for (int k = 0; k < count; ++k) {
    out.push_back(' ');
    switch (format) {
      case Format::kToChars:
        AppendToChars(out, numbers[k]);
        break;
      case Format::kPrintf:
        out.append(text,
                   static_cast<std::size_t>(std::snprintf(text, sizeof text, "%g", numbers[k])));
        break;
      case Format::kHalvex:
        halvex::AppendNumber(out, numbers[k]);
        break;
    }
  }
  if (type == '1') {
    while (p < end && IsSpace(*p)) ++p;
    out.push_back(' ');
    out.append(p, static_cast<std::size_t>(end - p));
  }
  out.append("\r\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[3], "--printf") == 0) format = Format::kPrintf;
  if (argc == 4 && std::strcmp(argv[3], "--halvex-format") == 0) format = Format::kHalvex;
  if (argc < 3 || argc > 4 || (argc == 4 && format == Format::kToChars)) {
    std::fprintf(stderr, "usage: %s IN OUT [--printf | --halvex-format]\n", argv[0]);
    return 1;
  }
  std::FILE* in = std::fopen(argv[1], "rb");
  if (!in) {
    std::perror(argv[1]);
    return 1;
  }
  std::FILE* out = std::fopen(argv[2], "wb");
  if (!out) {
    std::perror(argv[2]);
    return 1;
  }
  {
    Output output(out);
    // A chunk of the file, holding the unfinished last line of the chunk
    // before it at its start.
    std::string pending;
    std::string chunk(kChunk, '\0');
    std::size_t got;
    while ((got = std::fread(chunk.data(), 1, kChunk, in)) > 0) {
      pending.append(chunk.data(), got);
      std::string_view text(pending);
      std::size_t start = 0;
      for (std::size_t newline; (newline = text.find('\n', start)) != std::string_view::npos;
           start = newline + 1) {
        ProcessLine(text.substr(start, newline - start), output);
        output.MaybeFlush();
      }
      pending.erase(0, start);
    }
    if (!pending.empty()) ProcessLine(pending, output);
  }
  std::fclose(in);
  return std::fclose(out) == 0 ? 0 : 1;
}
