#include "checking/header_rules.h"

#include <optional>
#include <string>

#include "checking/check_limits.h"
#include "checking/meta_words.h"
#include "checking/rule_names.h"
#include "geometry/ascii_case.h"
#include "geometry/number_text.h"

// Sources: the Parts Tracker's parser and checks (github.com/ldraw-org/
// ldraworg-library: app/Services/Parser/ImprovedParser.php and
// ParsedPartCollection.php, app/Enums/LDrawRegex.php, PartType.php and
// License.php, app/Services/Check/PartChecks/HasRequiredHeaderMeta.php,
// NameFileNameMatch.php, NameAndPartType.php, LibraryApprovedLicense.php and
// BfcIsCcw.php), and LDraw.org's article on the official library header
// (ldraw.org/article/398) for the order of the header's lines, which is the
// order the Tracker writes them in (app/Services/Part/GenerateHeader.php).

namespace halvex {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return AsciiLower(c) != AsciiUpper(c); }
// The characters of a user name in brackets: [A-Za-z0-9_.-].
bool IsUserNameCharacter(char c) {
  return IsDigit(c) || IsLetter(c) || c == '_' || c == '.' || c == '-';
}

std::string_view FirstToken(std::string_view text) {
  std::size_t start = SkipSpace(text, 0);
  return text.substr(start, SkipToken(text, start) - start);
}

// The tokens of `text`, split at white space.
std::vector<std::string_view> Tokens(std::string_view text) {
  std::vector<std::string_view> tokens;
  std::size_t pos = 0;
  for (;;) {
    std::size_t start = SkipSpace(text, pos);
    pos = SkipToken(text, start);
    if (pos == start) return tokens;
    tokens.push_back(text.substr(start, pos - start));
  }
}

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = AsciiUpper(c);
  return upper;
}

bool IsTypeZero(const SourceLine& line) { return FirstToken(line.text) == "0"; }

// LDrawRegex::Bfc, with the parser's rule that only CERTIFY and CLIP take a
// winding. Its words are read without regard to case.
struct BfcForm {
  bool valid = false;
  std::string command;
  std::string winding;
};
BfcForm ParseBfc(std::string_view rest) {
  static constexpr std::string_view kCommands[] = {"NOCERTIFY", "CERTIFY", "CW",        "CCW",
                                                   "CLIP",      "NOCLIP",  "INVERTNEXT"};
  BfcForm form;
  std::vector<std::string_view> tokens = Tokens(rest);
  if (tokens.empty() || tokens.size() > 2) return form;
  form.command = Upper(tokens[0]);
  bool known = false;
  for (std::string_view command : kCommands) known = known || form.command == command;
  if (!known) return form;
  if (tokens.size() == 2) {
    form.winding = Upper(tokens[1]);
    if (form.winding != "CW" && form.winding != "CCW") return form;
    if (form.command != "CERTIFY" && form.command != "CLIP") return form;
  }
  form.valid = true;
  return form;
}

// LDrawRegex::History: a date YYYY-MM-DD, then [user name] or {real name},
// then a comment.
bool IsHistory(std::string_view rest) {
  std::string_view date = FirstToken(rest);
  if (date.size() != 10 || date[4] != '-' || date[7] != '-') return false;
  for (std::size_t k : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (!IsDigit(date[k])) return false;
  }
  std::size_t pos = SkipSpace(rest, SkipToken(rest, 0));
  if (pos == 10) return false;  // no blank after the date
  std::string_view who = rest.substr(pos);
  std::size_t close;
  if (who.starts_with('[')) {
    close = who.find(']');
    if (close == std::string_view::npos || close == 1) return false;
    for (char c : who.substr(1, close - 1)) {
      if (!IsUserNameCharacter(c)) return false;
    }
  } else if (who.starts_with('{')) {
    close = who.find('}');
    if (close == std::string_view::npos || close == 1) return false;
  } else {
    return false;
  }
  std::string_view comment = who.substr(close + 1);
  std::size_t start = SkipSpace(comment, 0);
  return start > 0 && start < comment.size();
}

// LDrawRegex::Author: a real name, a [user name], or both; the Tracker
// counts the line only when one of them is not empty.
bool IsAuthor(std::string_view rest) {
  std::size_t open = rest.find('[');
  if (open == std::string_view::npos) return !rest.empty();
  if (!rest.ends_with(']') || rest.size() - open < 3) return false;
  for (char c : rest.substr(open + 1, rest.size() - open - 2)) {
    if (!IsUserNameCharacter(c)) return false;
  }
  return true;
}

}  // namespace

// LDrawRegex::Ldraworg with the part types of PartType.php.
std::optional<std::string_view> PartTypeOf(std::string_view rest) {
  static constexpr std::string_view kTypes[] = {"Part",
                                                "Subpart",
                                                "Primitive",
                                                "8_Primitive",
                                                "48_Primitive",
                                                "Shortcut",
                                                "Helper",
                                                "Part_Texmap",
                                                "Subpart_Texmap",
                                                "Primitive_Texmap",
                                                "8_Primitive_Texmap",
                                                "48_Primitive_Texmap"};
  static constexpr std::string_view kQualifiers[] = {"Alias", "Flexible_Section",
                                                     "Physical_Colour"};
  std::vector<std::string_view> tokens = Tokens(rest);
  if (tokens.empty()) return std::nullopt;
  std::string_view type = tokens[0];
  if (type.starts_with("Unofficial")) {
    type.remove_prefix(10);
    if (type.starts_with('_')) type.remove_prefix(1);
  }
  bool known = false;
  for (std::string_view candidate : kTypes) known = known || type == candidate;
  if (!known) return std::nullopt;
  std::size_t k = 1;
  for (std::string_view qualifier : kQualifiers) {
    if (k < tokens.size() && tokens[k] == qualifier) ++k;
  }
  if (k < tokens.size() && (tokens[k] == "ORIGINAL" || tokens[k] == "UPDATE")) ++k;
  if (k < tokens.size()) {
    std::string_view release = tokens[k];
    bool isRelease = release.size() == 7 && release[4] == '-';
    for (std::size_t d : {0, 1, 2, 3, 5, 6}) isRelease = isRelease && IsDigit(release[d]);
    if (isRelease) ++k;
  }
  if (k != tokens.size()) return std::nullopt;
  return type;
}

namespace {

// License::text(): the licences the library accepts, blanks squeezed.
bool IsApprovedLicense(std::string_view rest) {
  static constexpr std::string_view kTexts[] = {
      "Marked with CC0 1.0 : see CAreadme.txt",
      "Licensed under CC BY 2.0 and CC BY 4.0 : see CAreadme.txt",
      "Licensed under CC BY 4.0 : see CAreadme.txt"};
  std::string squeezed;
  for (std::string_view token : Tokens(rest)) {
    if (!squeezed.empty()) squeezed += ' ';
    squeezed += token;
  }
  for (std::string_view text : kTexts) {
    if (squeezed == text) return true;
  }
  return false;
}

// PartType::nameFolder(): the folder a type's Name: holds before the file's
// own name.
std::string_view NameFolder(std::string_view type) {
  if (type == "Subpart") return "s\\";
  if (type == "8_Primitive") return "8\\";
  if (type == "48_Primitive") return "48\\";
  if (type == "Helper") return "helpers\\";
  if (type == "Part_Texmap") return "textures\\";
  if (type == "Subpart_Texmap") return "textures\\s\\";
  if (type == "Primitive_Texmap") return "textures\\";
  if (type == "8_Primitive_Texmap") return "textures\\8\\";
  if (type == "48_Primitive_Texmap") return "textures\\48\\";
  return "";
}

bool IsPrimitive(std::string_view type) {
  return type == "Primitive" || type == "8_Primitive" || type == "48_Primitive";
}

// The file's own name in a Name: value, after its last "\" or "/".
std::string_view BaseName(std::string_view name) {
  std::size_t slash = name.find_last_of("\\/");
  return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

// The place of a header line in the documented order; -1 for lines that
// have none.
int OrderRank(MetaWord word) {
  switch (word) {
    case MetaWord::kName:
      return 1;
    case MetaWord::kAuthor:
      return 2;
    case MetaWord::kLdrawOrg:
      return 3;
    case MetaWord::kLicense:
      return 4;
    case MetaWord::kHelp:
      return 5;
    case MetaWord::kBfc:
      return 6;
    case MetaWord::kCategory:
    case MetaWord::kKeywords:
      return 7;
    case MetaWord::kCmdline:
      return 8;
    case MetaWord::kPreview:
      return 9;
    case MetaWord::kHistory:
      return 10;
    default:
      return -1;
  }
}

// Whether a line with this word belongs to the header: the parser's
// bodyStartLine() counts the header metas and BFC CERTIFY and NOCERTIFY.
bool IsHeaderLine(MetaWord word, std::string_view line) {
  if (word == MetaWord::kBfc) {
    BfcForm form = ParseBfc(MetaRest(line));
    return form.valid && (form.command == "CERTIFY" || form.command == "NOCERTIFY");
  }
  return OrderRank(word) > 0;
}

// Whole lines' worth of text in messages: a licence, a name.
constexpr std::size_t kLongText = 80;

class HeaderReader {
 public:
  HeaderReader(std::string_view fileName, std::vector<Finding>& out)
      : fileName_(fileName), out_(out) {}

  HeaderFacts Read(const SourceFile& file) {
    const std::vector<SourceLine>& lines = file.Lines();
    std::size_t k = 0;
    while (k < lines.size() && FirstToken(lines[k].text).empty()) ++k;
    ReadDescription(k < lines.size() ? &lines[k] : nullptr);
    bool inHeader = true;
    for (std::size_t i = k + 1; i < lines.size(); ++i) {
      const SourceLine& line = lines[i];
      if (FirstToken(line.text).empty()) continue;
      if (!IsTypeZero(line)) {
        inHeader = false;
        continue;
      }
      MetaWord word = MetaWordOf(line.text);
      if (word == MetaWord::kBlank) continue;
      inHeader = inHeader && IsHeaderLine(word, line.text);
      ReadMeta(line, word, inHeader);
    }
    Conclude();
    return facts_;
  }

 private:
  void Add(int line, Severity severity, std::string_view rule, std::string message) {
    out_.push_back(Finding{line, severity, rule, std::move(message)});
  }

  // HasRequiredHeaderMeta: the first line is "0" and a description.
  void ReadDescription(const SourceLine* line) {
    if (line && IsTypeZero(*line) && MetaWordOf(line->text) == MetaWord::kOther) return;
    Add(line ? line->number : 1, Severity::kError, rules::kDescription,
        "the first line is no \"0\" description line");
  }

  void ReadMeta(const SourceLine& line, MetaWord word, bool inHeader) {
    std::string_view rest = MetaRest(line.text);
    switch (word) {
      case MetaWord::kName:
        if (Tokens(rest).size() == 1 && !nameLine_) {
          nameLine_ = &line;
          facts_.name = rest;
        }
        break;
      case MetaWord::kAuthor:
        hasAuthor_ = hasAuthor_ || IsAuthor(rest);
        break;
      case MetaWord::kLdrawOrg:
        if (!typeLine_) {
          if (std::optional<std::string_view> type = PartTypeOf(rest)) {
            typeLine_ = &line;
            facts_.type = *type;
          }
        }
        break;
      case MetaWord::kLicense:
        if (!licenseLine_) licenseLine_ = &line;
        break;
      case MetaWord::kBfc:
        ReadBfc(line, rest, inHeader);
        break;
      case MetaWord::kHistory:
        if (!IsHistory(rest)) {
          Add(line.number, Severity::kError, rules::kMeta,
              "0 !HISTORY needs a date, [user name] or {real name}, and a comment");
        }
        break;
      case MetaWord::kOther:
        // ImprovedParser: a type 0 line after the first whose first word is
        // no meta command it knows is invalid; comments begin with "//".
        Add(line.number, Severity::kError, rules::kMeta,
            "unknown META command or comment without //: " + ShownText(MetaFirstWord(line.text)));
        break;
      default:
        break;
    }
    ReadOrder(line, word, inHeader);
  }

  void ReadBfc(const SourceLine& line, std::string_view rest, bool inHeader) {
    BfcForm form = ParseBfc(rest);
    if (!form.valid) {
      Add(line.number, Severity::kError, rules::kMeta,
          "0 BFC " + ShownText(rest) + " is no BFC statement");
      return;
    }
    // BfcIsCcw with headerBfc(): the header's first BFC statement must be
    // CERTIFY CCW.
    if (inHeader && !bfcSeen_) {
      bfcSeen_ = true;
      if (form.command != "CERTIFY" || form.winding != "CCW") {
        Add(line.number, Severity::kError, rules::kBfc,
            "0 BFC " + ShownText(rest) + ", must be 0 BFC CERTIFY CCW");
      }
    }
  }

  // The documented order: description, Name:, Author:, !LDRAW_ORG,
  // !LICENSE, !HELP, BFC, !CATEGORY and !KEYWORDS, !CMDLINE, !PREVIEW,
  // !HISTORY. A reviewer's remark, not a Tracker error.
  void ReadOrder(const SourceLine& line, MetaWord word, bool inHeader) {
    int rank = OrderRank(word);
    if (rank < 0) return;
    std::string_view first = MetaFirstWord(line.text);
    if (!inHeader) {
      if (word != MetaWord::kBfc && !bodyOrderNoted_) {
        bodyOrderNoted_ = true;
        Add(line.number, Severity::kWarning, rules::kHeaderOrder,
            "0 " + std::string(first) + " below the header");
      }
      return;
    }
    if (rank < highestRank_ && !orderNoted_) {
      orderNoted_ = true;
      Add(line.number, Severity::kWarning, rules::kHeaderOrder,
          "0 " + std::string(first) + " after 0 " + std::string(highestWord_));
    }
    if (rank > highestRank_) {
      highestRank_ = rank;
      highestWord_ = first;
    }
  }

  void Conclude() {
    if (!hasAuthor_) Add(1, Severity::kError, rules::kAuthor, "no valid 0 Author: line");
    if (!typeLine_) {
      Add(1, Severity::kError, rules::kType, "no 0 !LDRAW_ORG line with a part type");
    }
    if (!licenseLine_) {
      Add(1, Severity::kError, rules::kLicense, "no 0 !LICENSE line");
    } else if (!IsApprovedLicense(MetaRest(licenseLine_->text))) {
      Add(licenseLine_->number, Severity::kError, rules::kLicense,
          "not a licence the library accepts: " +
              ShownText(MetaRest(licenseLine_->text), kLongText));
    }
    if (!bfcSeen_) Add(1, Severity::kError, rules::kBfc, "no 0 BFC CERTIFY CCW in the header");
    ConcludeName();
    facts_.recommendedDecimals = IsPrimitive(facts_.type) ? kPrimitiveDecimals : kPartDecimals;
  }

  // NameFileNameMatch: the name without its folder is the file's own name
  // (which the Tracker takes in lower case); NameAndPartType: the folder is
  // the one the type asks for, written with "\".
  void ConcludeName() {
    if (!nameLine_) {
      Add(1, Severity::kError, rules::kName, "no valid 0 Name: line");
      return;
    }
    std::string lowerFile(fileName_);
    for (char& c : lowerFile) c = AsciiLower(c);
    std::string_view base = BaseName(facts_.name);
    if (base != lowerFile) {
      Add(nameLine_->number, Severity::kError, rules::kName,
          "Name: " + ShownText(facts_.name, kLongText) +
              ", must be the file's name in lower case: " + lowerFile);
      return;
    }
    if (!typeLine_) return;
    std::string expected = std::string(NameFolder(facts_.type)) + std::string(base);
    if (facts_.name != expected) {
      Add(nameLine_->number, Severity::kError, rules::kName,
          "Name: " + ShownText(facts_.name, kLongText) + ", a " + std::string(facts_.type) +
              " is named " + expected);
    }
  }

  std::string_view fileName_;
  std::vector<Finding>& out_;
  HeaderFacts facts_;
  const SourceLine* nameLine_ = nullptr;
  const SourceLine* typeLine_ = nullptr;
  const SourceLine* licenseLine_ = nullptr;
  bool hasAuthor_ = false;
  bool bfcSeen_ = false;
  int highestRank_ = 0;
  std::string_view highestWord_;
  bool orderNoted_ = false;
  bool bodyOrderNoted_ = false;
};

}  // namespace

HeaderFacts CheckHeader(const SourceFile& file, std::string_view fileName,
                        std::vector<Finding>& out) {
  return HeaderReader(fileName, out).Read(file);
}

}  // namespace halvex
