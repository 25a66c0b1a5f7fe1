#include "checking/meta_words.h"

#include "geometry/number_text.h"

namespace halvex {
namespace {

// The position after the "0" and after the first word.
std::size_t AfterFirstWord(std::string_view line) { return SkipToken(line, SkipToken(line, 0)); }

}  // namespace

std::string_view MetaFirstWord(std::string_view line) {
  std::size_t start = SkipSpace(line, SkipToken(line, 0));
  return line.substr(start, SkipToken(line, start) - start);
}

std::string_view MetaRest(std::string_view line) {
  std::size_t start = SkipSpace(line, AfterFirstWord(line));
  std::size_t end = line.size();
  while (end > start && IsSpace(line[end - 1])) --end;
  return line.substr(start, end - start);
}

MetaWord MetaWordOf(std::string_view line) {
  struct Known {
    std::string_view word;
    MetaWord meta;
  };
  static constexpr Known kKnown[] = {
      {"Name:", MetaWord::kName},          {"Author:", MetaWord::kAuthor},
      {"!LDRAW_ORG", MetaWord::kLdrawOrg}, {"!LICENSE", MetaWord::kLicense},
      {"!HELP", MetaWord::kHelp},          {"BFC", MetaWord::kBfc},
      {"!CATEGORY", MetaWord::kCategory},  {"!KEYWORDS", MetaWord::kKeywords},
      {"!CMDLINE", MetaWord::kCmdline},    {"!PREVIEW", MetaWord::kPreview},
      {"!HISTORY", MetaWord::kHistory},    {"!TEXMAP", MetaWord::kTexmap},
      {"!:", MetaWord::kTexmapGeometry},   {"!COLOUR", MetaWord::kColour},
      {"!AVATAR", MetaWord::kAvatar},      {"//", MetaWord::kComment},
  };
  std::string_view word = MetaFirstWord(line);
  if (word.empty()) return MetaWord::kBlank;
  // The Tracker empties "0 //" lines with nothing after the slashes.
  if (word == "//" && MetaRest(line).empty()) return MetaWord::kBlank;
  for (const Known& known : kKnown) {
    if (word == known.word) return known.meta;
  }
  return MetaWord::kOther;
}

}  // namespace halvex
