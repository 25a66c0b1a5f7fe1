// POSIX systems' part of file_system.h and output_file.h.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/file_system.h"
#include "platform/output_file_platform.h"

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

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

}  // namespace

std::vector<std::string> NamesInFolder(const std::string& folder) {
  std::vector<std::string> names;
  std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir.get())) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(std::move(name));
  }
  return names;
}

namespace output_platform {
namespace {

// The temporary file's name, where a signal handler can read it: a handler
// may call unlink but not allocate.
char guardedPath[4096];
volatile std::sig_atomic_t guarding = 0;

constexpr int kInterruptions[] = {SIGINT, SIGTERM, SIGHUP};

// Removes the temporary file, then lets the signal do what it would have
// done: the handler was reset to the default on entry, and the signal,
// blocked while the handler runs, is delivered again on its return.
void RemoveGuarded(int signal) {
  if (guarding) ::unlink(guardedPath);
  ::raise(signal);
}

void InstallHandlers() {
  for (int signal : kInterruptions) {
    struct sigaction current;
    // A signal ignored when the run started (nohup) stays ignored.
    if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
    struct sigaction action = {};
    action.sa_handler = RemoveGuarded;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
  }
}

}  // namespace

void GuardTemporary(const std::string& path, int /*fd*/) {
  static const bool installed = (InstallHandlers(), true);
  (void)installed;
  guarding = 0;
  if (path.size() >= sizeof guardedPath) return;
  std::memcpy(guardedPath, path.c_str(), path.size() + 1);
  guarding = 1;
}

void ReleaseTemporary() { guarding = 0; }

int OpenOutput(const std::string& path, std::string* target, std::string* temporary) {
  *target = FollowLinks(path);
  // A loop of links names no file that could be created.
  if (target->empty()) {
    errno = ELOOP;
    return -1;
  }
  struct stat info;
  bool exists = ::stat(target->c_str(), &info) == 0;
  if (exists && !S_ISREG(info.st_mode)) {
    return ::open(target->c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  }
  if (exists) {
    // Renaming over a file needs only the folder's permission: a file the
    // user may not write is refused here, as cp refuses it. Opened without
    // truncation, the file is left as it is.
    int fd = ::open(target->c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    ::close(fd);
  }
  std::string pattern = FolderOf(*target) + "/.halvex-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) return -1;
  // mkstemp creates the file for its owner alone; give it the owner, group
  // and mode of the file it replaces (the owner only where the user may, as
  // root), or the mode a newly created file would have. The owner first:
  // changing it clears the set-user-ID bits.
  if (exists && ::fchown(fd, info.st_uid, info.st_gid) != 0 &&
      ::fchown(fd, static_cast<uid_t>(-1), info.st_gid) != 0) {
    // Neither owner nor group could be given: the new file keeps the user's.
  }
  mode_t mode = exists ? (info.st_mode & 07777) : (0666 & ~CurrentUmask());
  ::fchmod(fd, mode);
  *temporary = name.data();
  return fd;
}

}  // namespace output_platform
std::FILE* OpenScratchFile() { return std::tmpfile(); }

}  // namespace halvex
