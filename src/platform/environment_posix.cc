#include <cstdlib>

#include "platform/environment.h"

namespace halvex {

std::optional<std::string> EnvironmentVariable(const char* name) {
  const char* value = std::getenv(name);
  if (!value || *value == '\0') return std::nullopt;
  return std::string(value);
}

}  // namespace halvex
