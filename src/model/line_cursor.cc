#include "model/line_cursor.h"

#include <algorithm>
#include <cstring>

namespace halvex {

std::size_t LineCursor::Find(char c) const {
  const void* found = std::memchr(text_.data() + pos_, c, text_.size() - pos_);
  return found ? static_cast<std::size_t>(static_cast<const char*>(found) - text_.data())
               : text_.size();
}

bool LineCursor::Next(std::string_view* line) {
  if (pos_ >= text_.size()) return false;
  if (!searched_ || nextLf_ < pos_) nextLf_ = Find('\n');
  if (!searched_ || nextCr_ < pos_) nextCr_ = Find('\r');
  searched_ = true;
  std::size_t end = std::min(nextLf_, nextCr_);
  *line = text_.substr(pos_, end - pos_);
  pos_ = end;
  if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
  if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
  return true;
}

}  // namespace halvex
