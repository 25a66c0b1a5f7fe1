// Writes zip archives for the tests, with minizip.
#pragma once

#include <minizip/zip.h>
#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <tuple>
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

// An entry written as given, whatever its bytes: `data` stands in the
// archive as the entry's compressed content, under compression method
// `method`, and the directory declares `size` bytes of content with CRC-32
// `crc`. For damaged, lying and unsupported entries.
struct RawEntry {
  std::string name;
  std::string data;
  int method = Z_DEFLATED;
  std::uint64_t size = 0;
  std::uint32_t crc = 0;
  bool zip64 = false;
};

// Sets the compression method of the entry `name` in the local and central
// headers of the archive `bytes`: minizip writes only stored and deflated
// entries.
inline void SetMethod(std::string& bytes, const std::string& name, int method) {
  auto number = [&](std::size_t at) {
    return static_cast<std::size_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<std::size_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
  };
  // Local headers ("PK\3\4") hold the name at 30 and the method at 8,
  // central ones ("PK\1\2") the name at 46 and the method at 10.
  for (auto [signature, nameAt, lengthAt, methodAt] :
       {std::tuple{"PK\3\4", 30, 26, 8}, std::tuple{"PK\1\2", 46, 28, 10}}) {
    for (std::size_t at = bytes.find(signature); at != std::string::npos;
         at = bytes.find(signature, at + 1)) {
      if (bytes.compare(at + nameAt, number(at + lengthAt), name) != 0) continue;
      bytes[at + methodAt] = static_cast<char>(method & 0xFF);
      bytes[at + methodAt + 1] = static_cast<char>(method >> 8);
    }
  }
}

inline bool WriteRawZip(const std::string& path, const std::vector<RawEntry>& entries) {
  zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  if (!zip) return false;
  bool ok = true;
  for (const RawEntry& entry : entries) {
    zip_fileinfo info{};
    ok = ok &&
         zipOpenNewFileInZip2_64(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                 entry.method == Z_DEFLATED ? Z_DEFLATED : 0,
                                 Z_DEFAULT_COMPRESSION, 1, entry.zip64 ? 1 : 0) == ZIP_OK &&
         zipWriteInFileInZip(zip, entry.data.data(), static_cast<unsigned>(entry.data.size())) ==
             ZIP_OK &&
         zipCloseFileInZipRaw64(zip, entry.size, entry.crc) == ZIP_OK;
  }
  if (zipClose(zip, nullptr) != ZIP_OK || !ok) return false;
  std::string bytes;
  {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  for (const RawEntry& entry : entries) {
    if (entry.method != 0 && entry.method != Z_DEFLATED) SetMethod(bytes, entry.name, entry.method);
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  return static_cast<bool>(out);
}

// `text` compressed as a zip entry's deflated content (a raw deflate stream).
inline std::string Deflated(std::string_view text) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    return {};
  }
  std::string out(deflateBound(&stream, static_cast<uLong>(text.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

inline std::uint32_t Crc32(std::string_view text) {
  return static_cast<std::uint32_t>(crc32(crc32(0, nullptr, 0),
                                          reinterpret_cast<const Bytef*>(text.data()),
                                          static_cast<uInt>(text.size())));
}

}  // namespace halvex::testing
