#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "model/output_file.h"
#include "model/output_file_platform.h"

namespace halvex {
namespace {

// Tries this many names for the temporary file before giving up.
constexpr int kTemporaryAttempts = 100;

// The folder part of `path` with its trailing "/", empty for a bare name.
std::string FolderPrefixOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Creates a new, empty temporary file beside `target`; answers its
// descriptor and name, or -1. WASI has neither mkstemp nor process ids: the
// names are drawn from the host's random source.
int CreateTemporary(const std::string& target, std::string* name) {
  for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
    unsigned char random[6];
    if (::getentropy(random, sizeof random) != 0) return -1;
    char suffix[2 * sizeof random + 1];
    for (std::size_t k = 0; k < sizeof random; ++k) {
      std::snprintf(suffix + 2 * k, 3, "%02x", random[k]);
    }
    *name = FolderPrefixOf(target) + ".halvex-" + suffix;
    int fd = ::open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

namespace output_platform {

long long WriteSome(int fd, const char* data, std::size_t size) { return ::write(fd, data, size); }

int CloseFile(int fd) { return ::close(fd); }

void RemoveFile(const std::string& path) { ::unlink(path.c_str()); }

bool PutInPlace(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

std::string LastErrorText() { return std::strerror(errno); }

// WASI has no signals: a run ends only by itself or by its host.
void GuardTemporary(const std::string&, int) {}
void ReleaseTemporary() {}

}  // namespace output_platform

// WASI has no file modes and no umask: the new file gets the host's default.
// Symbolic links are not followed: the replacement replaces the link.
std::optional<OutputFile> OutputFile::Create(const std::string& path, std::string* reason) {
  if (path.empty()) {
    *reason = "no file name";
    return std::nullopt;
  }
  struct stat info;
  if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
    int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC);
    if (fd < 0) {
      *reason = std::strerror(errno);
      return std::nullopt;
    }
    return OutputFile(fd, path, {});
  }
  std::string temporary;
  int fd = CreateTemporary(path, &temporary);
  if (fd < 0) {
    *reason = std::strerror(errno);
    return std::nullopt;
  }
  return OutputFile(fd, path, temporary);
}

}  // namespace halvex
