// The environment in UTF-16, whatever the code page, turned into UTF-8 as
// the command line is.
#include <cstdlib>
#include <string>

#include "platform/environment.h"
#include "platform/utf16.h"

namespace halvex {

std::optional<std::string> EnvironmentVariable(const char* name) {
  std::wstring wideName(name, name + std::char_traits<char>::length(name));
  const wchar_t* value = ::_wgetenv(wideName.c_str());
  if (!value || *value == L'\0') return std::nullopt;
  return Narrow(value);
}

}  // namespace halvex
