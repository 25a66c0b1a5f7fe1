// Zip archives read with zlib's minizip.
#include <minizip/unzip.h>

#include <vector>

#include "model/native_path.h"
#include "model/zip_archive.h"

namespace halvex {
namespace {

// Opens the archive as every other file is opened, so that its name is taken
// the same way (UTF-8, turned into UTF-16 on Windows, where minizip's own
// fopen would read it in the system's code page). Reading, seeking and
// closing are minizip's own functions on the FILE*.
voidpf ZCALLBACK OpenArchive(voidpf, const void* name, int mode) {
  if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
  return OpenForReading(static_cast<const char*>(name));
}

}  // namespace

struct ZipArchive::Reader {
  explicit Reader(unzFile opened) : file(opened) {}
  ~Reader() { unzClose(file); }
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  unzFile file;
  // Where each entry stands in the archive, by its spelled name.
  std::unordered_map<std::string, unz64_file_pos> positions;
};

ZipArchive::ZipArchive(std::unique_ptr<Reader> reader) : reader_(std::move(reader)) {}
ZipArchive::~ZipArchive() = default;

std::unique_ptr<ZipArchive> ZipArchive::Open(const std::string& path, std::string* error) {
  zlib_filefunc64_def files;
  fill_fopen64_filefunc(&files);
  files.zopen64_file = OpenArchive;
  unzFile file = unzOpen2_64(path.c_str(), &files);
  if (!file) {
    *error = "not a zip archive, or damaged";
    return nullptr;
  }
  auto reader = std::make_unique<Reader>(file);
  std::unique_ptr<ZipArchive> archive(new ZipArchive(std::move(reader)));
  Reader& r = *archive->reader_;
  int status = unzGoToFirstFile(r.file);
  // Names in a zip hold at most 65,535 bytes.
  std::vector<char> name(1 << 16);
  while (status == UNZ_OK) {
    unz_file_info64 info;
    status = unzGetCurrentFileInfo64(r.file, &info, name.data(), static_cast<uLong>(name.size()),
                                     nullptr, 0, nullptr, 0);
    if (status != UNZ_OK) break;
    unz64_file_pos position;
    status = unzGetFilePos64(r.file, &position);
    if (status != UNZ_OK) break;
    std::string entry(name.data(), info.size_filename);
    r.positions.emplace(entry, position);
    archive->AddEntry(std::move(entry));
    status = unzGoToNextFile(r.file);
  }
  if (status != UNZ_END_OF_LIST_OF_FILE) {
    *error = "its directory is damaged";
    return nullptr;
  }
  return archive;
}

std::optional<std::string> ZipArchive::Read(const std::string& entry, std::string* error) {
  Reader& r = *reader_;
  auto position = r.positions.find(entry);
  if (position == r.positions.end() || unzGoToFilePos64(r.file, &position->second) != UNZ_OK ||
      unzOpenCurrentFile(r.file) != UNZ_OK) {
    *error = entry + " cannot be opened";
    return std::nullopt;
  }
  std::string text;
  char buffer[1 << 16];
  int read;
  while ((read = unzReadCurrentFile(r.file, buffer, sizeof buffer)) > 0) {
    text.append(buffer, static_cast<std::size_t>(read));
  }
  // Closing checks the entry's checksum once it has been read whole.
  int closed = unzCloseCurrentFile(r.file);
  if (read < 0 || closed != UNZ_OK) {
    *error = entry + " is damaged or truncated";
    return std::nullopt;
  }
  return text;
}

}  // namespace halvex
