#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "model/output_file.h"
#include "model/output_file_platform.h"

namespace halvex {
namespace {

// Bounds the links followed, as the system does, so that a loop of links ends.
constexpr int kMaxLinks = 40;

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The path a chain of symbolic links ends at (the path itself when it is no
// link); a dangling link gives the missing file it points to. Empty for a
// chain that does not end (a loop of links).
std::string FollowLinks(std::string path) {
  for (int k = 0; k < kMaxLinks; ++k) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    std::vector<char> target(static_cast<std::size_t>(info.st_size) + 256);
    ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) return path;
    std::string next(target.data(), static_cast<std::size_t>(length));
    path = next[0] == '/' ? next : FolderOf(path) + "/" + next;
  }
  return {};
}

mode_t CurrentUmask() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

}  // namespace

namespace output_platform {

long long WriteSome(int fd, const char* data, std::size_t size) { return ::write(fd, data, size); }

int CloseFile(int fd) { return ::close(fd); }

void RemoveFile(const std::string& path) { ::unlink(path.c_str()); }

bool PutInPlace(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace output_platform

std::optional<OutputFile> OutputFile::Create(const std::string& path) {
  // An empty name, or a loop of links, names no file that could be created.
  std::string target = path.empty() ? std::string() : FollowLinks(path);
  if (target.empty()) return std::nullopt;
  struct stat info;
  bool exists = ::stat(target.c_str(), &info) == 0;
  if (exists && !S_ISREG(info.st_mode)) {
    int fd = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    return OutputFile(fd, target, {});
  }
  std::string pattern = FolderOf(target) + "/.halvex-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) return std::nullopt;
  // mkstemp creates the file for its owner alone; give it the mode of the
  // file it replaces, or the one a newly created file would have.
  mode_t mode = exists ? (info.st_mode & 07777) : (0666 & ~CurrentUmask());
  ::fchmod(fd, mode);
  return OutputFile(fd, target, std::string(name.data()));
}

}  // namespace halvex
