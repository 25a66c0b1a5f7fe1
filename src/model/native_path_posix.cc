#include <sys/stat.h>

#include "model/native_path.h"

namespace halvex {

std::FILE* OpenForReading(const std::string& name) { return std::fopen(name.c_str(), "rb"); }

std::optional<std::uintmax_t> FileSize(const std::string& name) {
  struct stat info;
  if (::stat(name.c_str(), &info) != 0) return std::nullopt;
  return static_cast<std::uintmax_t>(info.st_size);
}

}  // namespace halvex
