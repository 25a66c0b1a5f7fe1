#include <fcntl.h>
#include <unistd.h>
#include <wasi/api.h>

#include <cstring>

#include "model/folder_listing.h"

namespace halvex {
namespace {

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

}  // namespace halvex
