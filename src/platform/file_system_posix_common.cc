// What POSIX systems and WASI share of file_system.h and output_file.h: the
// calls both have (WASI's C library takes them from POSIX).
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file_system.h"
#include "platform/output_file_platform.h"

namespace halvex {

FileKind KindOf(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return FileKind::kNone;
  if (S_ISREG(info.st_mode)) return FileKind::kRegular;
  if (S_ISDIR(info.st_mode)) return FileKind::kFolder;
  return FileKind::kOther;
}

bool EntryExists(const std::string& path) {
  struct stat info;
  return ::lstat(path.c_str(), &info) == 0;
}

std::optional<std::uintmax_t> FileSize(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return static_cast<std::uintmax_t>(info.st_size);
}

std::optional<FileIdentity> IdentityOfFile(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                      static_cast<std::uint64_t>(info.st_ino)};
}

bool SystemMatchesNames() { return false; }

std::FILE* OpenForReading(const std::string& name) { return std::fopen(name.c_str(), "rb"); }

std::string LastErrorText() { return std::strerror(errno); }

namespace output_platform {

long long WriteSome(int fd, const char* data, std::size_t size) { return ::write(fd, data, size); }

int CloseFile(int fd) { return ::close(fd); }

void RemoveFile(const std::string& path) { ::unlink(path.c_str()); }

bool PutInPlace(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace output_platform
}  // namespace halvex
