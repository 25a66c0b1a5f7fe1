#include "model/library_name.h"

#include "geometry/ascii_case.h"

namespace halvex {

std::string NormalizedName(std::string_view name) {
  std::string normalized;
  normalized.reserve(name.size());
  // The components of `normalized` that a ".." can take back: all but the
  // ".." at its start.
  std::size_t components = 0;
  std::size_t pos = 0;
  while (pos <= name.size()) {
    std::size_t end = name.find_first_of("/\\", pos);
    if (end == std::string_view::npos) end = name.size();
    std::string_view component = name.substr(pos, end - pos);
    pos = end + 1;
    if (component.empty() || component == ".") continue;
    if (component == ".." && components > 0) {
      // Each character is taken back at most once: the whole costs time in
      // proportion to the name's length.
      std::size_t separator = normalized.rfind('/');
      normalized.resize(separator == std::string::npos ? 0 : separator);
      --components;
      continue;
    }
    if (component != "..") ++components;
    if (!normalized.empty()) normalized.push_back('/');
    normalized.append(component);
  }
  return normalized;
}

std::string NameKey(std::string_view name) {
  std::string key = NormalizedName(name);
  for (char& c : key) c = AsciiLower(c);
  return key;
}

}  // namespace halvex
