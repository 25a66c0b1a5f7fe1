#include "elements/colour.h"

#include <charconv>
#include <cstdint>
#include <deque>
#include <map>

#include "geometry/number_text.h"
#include "platform/parallel.h"

namespace halvex {
namespace {

bool IsHexToken(std::string_view token) {
  return token.size() >= 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X');
}

// The value of the hexadecimal colour token `token` ("0x" and digits): it
// wraps to 32 bits like any colour number; digits after the first
// non-hexadecimal character are ignored, as a number reader would.
int HexTokenValue(std::string_view token) {
  std::uint32_t value = 0;
  for (char c : token.substr(2)) {
    int digit = HexDigitValue(c);
    if (digit < 0) break;
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  return static_cast<int>(value);
}

// Every distinct hexadecimal token read, each once, with its value. Direct
// colours are few and far between, and a colour refers to its token by place
// in this table: a colour is then a few bytes whatever its token, and does not
// depend on the text it was read from. A large file is read on several
// threads, so the table is changed and read by one at a time.
class HexTokens {
 public:
  struct Entry {
    std::string text;
    int value;
  };

  static HexTokens& Instance() {
    static HexTokens tokens;
    return tokens;
  }

  std::uint32_t Place(std::string_view token) {
    std::uint32_t place = 0;
    RunAlone([&] {
      auto found = places_.find(token);
      if (found != places_.end()) {
        place = found->second;
        return;
      }
      place = static_cast<std::uint32_t>(entries_.size());
      entries_.push_back({std::string(token), HexTokenValue(token)});
      places_.emplace(entries_.back().text, place);
    });
    return place;
  }
  // An entry never moves once made.
  const Entry& At(std::uint32_t place) const {
    const Entry* entry = nullptr;
    RunAlone([&] { entry = &entries_[place]; });
    return *entry;
  }

 private:
  // A deque, so that the texts the keys view never move.
  std::deque<Entry> entries_;
  std::map<std::string_view, std::uint32_t> places_;
};

}  // namespace

Colour Colour::Parse(std::string_view text, std::size_t* pos) {
  std::size_t start = SkipSpace(text, *pos);
  std::size_t end = SkipToken(text, start);
  *pos = end;
  std::string_view token = text.substr(start, end - start);
  Colour colour;
  if (IsHexToken(token)) {
    colour.SetField(HexTokens::Instance().Place(token));
    colour.hex_ = true;
    return colour;
  }
  colour.SetField(static_cast<std::uint32_t>(ScanInt(text, start).value_or(0)));
  return colour;
}

int Colour::HexNumber() const { return HexTokens::Instance().At(Field()).value; }

void Colour::AppendText(std::string& out) const {
  if (hex_) {
    out.append(HexTokens::Instance().At(Field()).text);
  } else {
    char digits[kMaxColourLength];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, Number()).ptr);
  }
}

}  // namespace halvex
