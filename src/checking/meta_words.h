// What a line of type 0 is to the Parts Tracker, by its first word after the
// "0": the header and body meta commands it knows, a "//" comment, or a word
// it does not know (app/Services/Parser/ImprovedParser.php, matchPerLine).
#pragma once

#include <string_view>

namespace halvex {

enum class MetaWord {
  kBlank,  // "0" alone, or "0 //" with nothing after it: an empty line
  kName,
  kAuthor,
  kLdrawOrg,
  kLicense,
  kHelp,
  kBfc,
  kCategory,
  kKeywords,
  kCmdline,
  kPreview,
  kHistory,
  kTexmap,
  kTexmapGeometry,  // "0 !:"
  kColour,
  kAvatar,
  kComment,  // "0 //"
  kOther,    // any other first word: a description on the first line, else invalid
};

// The meta word of `line`, whose first token is "0".
MetaWord MetaWordOf(std::string_view line);

// The text after the first word, blanks at its ends left out.
std::string_view MetaRest(std::string_view line);

// The first word after the "0".
std::string_view MetaFirstWord(std::string_view line);

}  // namespace halvex
