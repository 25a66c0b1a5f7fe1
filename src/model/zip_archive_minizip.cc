// Zip archives read with zlib's minizip.
#include <minizip/unzip.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/file_system.h"
#include "model/zip_archive.h"

namespace halvex {
namespace {

// The stdio functions minizip comes with, which BufferedArchive reads
// through (64-bit offsets on every system).
const zlib_filefunc64_def& Stdio() {
  static const zlib_filefunc64_def functions = [] {
    zlib_filefunc64_def f;
    fill_fopen64_filefunc(&f);
    return f;
  }();
  return functions;
}

// minizip reads an archive's directory a field at a time, and seeks before
// each entry: read through stdio, every field took a call and a lock, and
// listing complete.zip (27,800 entries) cost 0.12 s of every run. Reads are
// served here from a buffer of the file's bytes, which a seek within it
// keeps.
class BufferedArchive {
 public:
  explicit BufferedArchive(std::FILE* file) : file_(file) {}
  ~BufferedArchive() { Stdio().zclose_file(nullptr, file_); }
  BufferedArchive(const BufferedArchive&) = delete;
  BufferedArchive& operator=(const BufferedArchive&) = delete;

  uLong Read(void* out, uLong size) {
    auto* to = static_cast<unsigned char*>(out);
    // Most reads are of one byte: a field is read a byte at a time.
    if (size == 1 && Buffered()) {
      *to = buffer_[static_cast<std::size_t>(position_++ - bufferStart_)];
      return 1;
    }
    uLong done = 0;
    while (done < size) {
      if (!Buffered() && !Fill()) break;
      std::size_t offset = static_cast<std::size_t>(position_ - bufferStart_);
      std::size_t count = std::min<std::size_t>(size - done, buffer_.size() - offset);
      std::memcpy(to + done, buffer_.data() + offset, count);
      done += static_cast<uLong>(count);
      position_ += count;
    }
    return done;
  }

  // As fseek: 0 on success, -1 when the place cannot be found out.
  long Seek(ZPOS64_T offset, int origin) {
    switch (origin) {
      case ZLIB_FILEFUNC_SEEK_SET:
        position_ = offset;
        return 0;
      case ZLIB_FILEFUNC_SEEK_CUR:
        position_ += offset;
        return 0;
      case ZLIB_FILEFUNC_SEEK_END:
        if (Stdio().zseek64_file(nullptr, file_, 0, ZLIB_FILEFUNC_SEEK_END) != 0) return -1;
        position_ = Stdio().ztell64_file(nullptr, file_) + offset;
        return 0;
      default:
        return -1;
    }
  }

  ZPOS64_T Tell() const { return position_; }
  int Error() const { return error_ ? 1 : 0; }

 private:
  static constexpr std::size_t kBufferBytes = std::size_t{1} << 16;

  // Whether the byte at the current position is in the buffer.
  bool Buffered() const {
    return position_ >= bufferStart_ && position_ - bufferStart_ < buffer_.size();
  }

  // Reads the bytes from the current position into the buffer; false at the
  // end of the file or on an error (which Error then reports).
  bool Fill() {
    buffer_.resize(kBufferBytes);
    bufferStart_ = position_;
    uLong got = 0;
    if (Stdio().zseek64_file(nullptr, file_, position_, ZLIB_FILEFUNC_SEEK_SET) == 0) {
      got = Stdio().zread_file(nullptr, file_, buffer_.data(), static_cast<uLong>(kBufferBytes));
      if (got == 0) error_ = Stdio().zerror_file(nullptr, file_) != 0;
    } else {
      error_ = true;
    }
    buffer_.resize(got);
    return got > 0;
  }

  std::FILE* file_;
  ZPOS64_T position_ = 0;
  // The buffer holds the file's bytes from bufferStart_ on.
  ZPOS64_T bufferStart_ = 0;
  std::vector<unsigned char> buffer_;
  bool error_ = false;
};

BufferedArchive& Archive(voidpf stream) { return *static_cast<BufferedArchive*>(stream); }

// Opens the archive as every other file is opened, so that its name is taken
// the same way (UTF-8, turned into UTF-16 on Windows, where minizip's own
// fopen would read it in the system's code page).
voidpf ZCALLBACK OpenArchive(voidpf, const void* name, int mode) {
  if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
  std::FILE* file = OpenForReading(static_cast<const char*>(name));
  return file ? new BufferedArchive(file) : nullptr;
}

uLong ZCALLBACK ReadArchive(voidpf, voidpf stream, void* out, uLong size) {
  return Archive(stream).Read(out, size);
}

uLong ZCALLBACK WriteArchive(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK TellArchive(voidpf, voidpf stream) { return Archive(stream).Tell(); }

long ZCALLBACK SeekArchive(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  return Archive(stream).Seek(offset, origin);
}

int ZCALLBACK CloseArchive(voidpf, voidpf stream) {
  delete &Archive(stream);
  return 0;
}

int ZCALLBACK ArchiveError(voidpf, voidpf stream) { return Archive(stream).Error(); }

// What the archive's directory says of an entry: where it stands, how it
// is stored, and the length and CRC-32 of its content.
struct EntryInfo {
  unz64_file_pos position;
  std::uint64_t size;
  std::uint32_t crc;
  unsigned method;
  bool encrypted;
};

// The compression methods a library's entries may use: stored (0) and
// deflated (8), which is what zip tools write by default. minizip would hand
// over the raw bytes of any other method as if they were the content. The
// numbers are those of PKWARE's APPNOTE.TXT, 4.4.5.
constexpr unsigned kStored = 0;
constexpr unsigned kDeflated = Z_DEFLATED;

// Bit 0 of an entry's general purpose flags: its content is encrypted
// (APPNOTE.TXT, 4.4.4).
constexpr unsigned long kEncryptedFlag = 1;

std::string MethodName(unsigned method) {
  switch (method) {
    case 12:
      return "bzip2";
    case 14:
      return "LZMA";
    case 93:
      return "Zstandard";
    case 95:
      return "XZ";
    case 98:
      return "PPMd";
    default:
      return "method " + std::to_string(method);
  }
}

}  // namespace

struct ZipArchive::Reader {
  explicit Reader(unzFile opened) : file(opened) {}
  ~Reader() { unzClose(file); }
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  unzFile file;
  // What the directory says of each entry, by its spelled name.
  std::unordered_map<std::string, EntryInfo> entries;
};

namespace {

// Reads the content of the current entry, which the directory says holds
// `info.size` bytes (minizip reads no further), into `text`, computing its
// CRC-32 on the way; false when it cannot be read. A deflate stream that
// ends early reads short without an error from minizip, which then skips its
// own CRC check: the caller compares length and CRC itself.
bool ReadCurrentEntry(unzFile file, const EntryInfo& info, std::string& text, uLong& crc) {
  text.resize(static_cast<std::size_t>(info.size));
  std::size_t done = 0;
  constexpr std::size_t kChunk = std::size_t{1} << 16;
  while (done < text.size()) {
    unsigned want = static_cast<unsigned>(std::min(kChunk, text.size() - done));
    int read = unzReadCurrentFile(file, text.data() + done, want);
    if (read < 0) return false;
    if (read == 0) break;
    crc = crc32(crc, reinterpret_cast<const Bytef*>(text.data() + done),
                static_cast<uInt>(read));
    done += static_cast<std::size_t>(read);
  }
  text.resize(done);
  return true;
}

}  // namespace

ZipArchive::ZipArchive(std::unique_ptr<Reader> reader) : reader_(std::move(reader)) {}
ZipArchive::~ZipArchive() = default;

std::unique_ptr<ZipArchive> ZipArchive::Open(const std::string& path, std::string* error) {
  zlib_filefunc64_def files{OpenArchive, ReadArchive, WriteArchive, TellArchive,
                            SeekArchive, CloseArchive, ArchiveError, nullptr};
  // A file that cannot be opened at all is no damaged archive: say why (a
  // file nobody may read, too many open files).
  if (std::FILE* probe = OpenForReading(path)) {
    std::fclose(probe);
  } else {
    *error = std::string("cannot be opened: ") + std::strerror(errno);
    return nullptr;
  }
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
    r.entries.emplace(entry, EntryInfo{position, info.uncompressed_size,
                                       static_cast<std::uint32_t>(info.crc),
                                       static_cast<unsigned>(info.compression_method),
                                       (info.flag & kEncryptedFlag) != 0});
    archive->AddEntry(std::move(entry));
    status = unzGoToNextFile(r.file);
  }
  if (status != UNZ_END_OF_LIST_OF_FILE) {
    *error = "its directory is damaged";
    return nullptr;
  }
  return archive;
}

std::optional<std::string> ZipArchive::Read(const std::string& entry, std::uint64_t maxBytes,
                                            std::string* error) {
  Reader& r = *reader_;
  auto found = r.entries.find(entry);
  if (found == r.entries.end()) {
    *error = entry + " cannot be opened";
    return std::nullopt;
  }
  EntryInfo& info = found->second;
  if (info.encrypted) {
    *error = entry + " is encrypted";
    return std::nullopt;
  }
  if (info.method != kStored && info.method != kDeflated) {
    *error = entry + " is compressed with " + MethodName(info.method) +
             ", which Halvex does not read (only stored and deflated entries)";
    return std::nullopt;
  }
  // The declared size is checked before anything is read: an archive of a
  // few hundred kilobytes can inflate to gigabytes.
  if (info.size > maxBytes) {
    *error = entry + " holds " + std::to_string(info.size) + " bytes, more than the " +
             std::to_string(maxBytes) + " a library file may have";
    return std::nullopt;
  }
  if (unzGoToFilePos64(r.file, &info.position) != UNZ_OK ||
      unzOpenCurrentFile(r.file) != UNZ_OK) {
    *error = entry + " cannot be opened";
    return std::nullopt;
  }
  std::string text;
  uLong crc = crc32(0, nullptr, 0);
  bool whole = ReadCurrentEntry(r.file, info, text, crc);
  unzCloseCurrentFile(r.file);
  // The content must be what the directory declares, in length and CRC.
  if (!whole || text.size() != info.size || crc != info.crc) {
    *error = entry + " is damaged or truncated";
    return std::nullopt;
  }
  return text;
}

}  // namespace halvex
