// WASI's part of file_system.h and output_file.h.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wasi/api.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/file_system.h"
#include "platform/output_file_platform.h"

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

// readdir asks the host for a few kilobytes of entries at a time, and a host
// may read the folder from its start for every request (Node's does): a
// library's parts folder, 18,000 names, then took over a second to list.
// The entries are asked for here in one large buffer instead, grown while a
// folder does not fit.
constexpr std::size_t kFirstBufferBytes = std::size_t{1} << 20;

struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

std::vector<std::string> NamesInFolder(const std::string& folder) {
  std::vector<std::string> names;
  Descriptor dir{::open(folder.c_str(), O_RDONLY | O_DIRECTORY)};
  if (dir.fd < 0) return names;
  std::vector<std::uint8_t> buffer(kFirstBufferBytes);
  __wasi_dircookie_t cookie = __WASI_DIRCOOKIE_START;
  for (;;) {
    __wasi_size_t used = 0;
    if (__wasi_fd_readdir(dir.fd, buffer.data(), buffer.size(), cookie, &used) != 0) {
      return names;
    }
    // Entries follow one another, each a header and its name; the last one
    // in a full buffer may be cut short, and is asked for again.
    std::size_t offset = 0;
    while (offset + sizeof(__wasi_dirent_t) <= used) {
      __wasi_dirent_t entry;
      std::memcpy(&entry, buffer.data() + offset, sizeof entry);
      std::size_t nameStart = offset + sizeof entry;
      if (nameStart + entry.d_namlen > used) break;
      std::string name(reinterpret_cast<const char*>(buffer.data() + nameStart), entry.d_namlen);
      if (name != "." && name != "..") names.push_back(std::move(name));
      cookie = entry.d_next;
      offset = nameStart + entry.d_namlen;
    }
    if (used < buffer.size()) return names;
    buffer.resize(buffer.size() * 2);
  }
}

namespace output_platform {

// WASI has no signals: a run ends only by itself or by its host.
void GuardTemporary(const std::string&, int) {}
void ReleaseTemporary() {}

// WASI has no file modes and no umask: the new file gets the host's default.
// Symbolic links are not followed: the replacement replaces the link.
int OpenOutput(const std::string& path, std::string* target, std::string* temporary) {
  *target = path;
  struct stat info;
  if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
    return ::open(path.c_str(), O_WRONLY | O_TRUNC);
  }
  return CreateTemporary(path, temporary);
}

}  // namespace output_platform
std::FILE* OpenScratchFile() { return nullptr; }

}  // namespace halvex
