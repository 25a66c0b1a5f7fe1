// Writes zip archives for the tests, with minizip.
#pragma once

#include <minizip/zip.h>

#include <string>
#include <utility>
#include <vector>

namespace halvex::testing {

// Writes the entries (name, content) into a new archive at `path`,
// compressed; false on any error.
inline bool WriteZip(const std::string& path,
                     const std::vector<std::pair<std::string, std::string>>& entries) {
  zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  if (!zip) return false;
  bool ok = true;
  for (const auto& [name, content] : entries) {
    zip_fileinfo info{};
    ok =
        ok &&
        zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                              Z_DEFAULT_COMPRESSION, 0) == ZIP_OK &&
        zipWriteInFileInZip(zip, content.data(), static_cast<unsigned>(content.size())) == ZIP_OK &&
        zipCloseFileInZip(zip) == ZIP_OK;
  }
  return zipClose(zip, nullptr) == ZIP_OK && ok;
}

}  // namespace halvex::testing
