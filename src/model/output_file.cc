#include "model/output_file.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include "model/native_path.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>
#include <vector>

namespace halvex {
namespace {

constexpr std::size_t kBufferSize = 1 << 16;

#ifdef _WIN32

// The folder part of `path` with its trailing separator ("C:" for "C:x"),
// empty for a bare name.
std::string SiblingPrefixOf(const std::string& path) {
  std::size_t separator = path.find_last_of("\\/");
  if (separator != std::string::npos) return path.substr(0, separator + 1);
  if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
  return {};
}

// Creates a new, empty temporary file beside `target`; answers its
// descriptor and name, or -1.
int CreateTemporary(const std::string& target, std::string* name) {
  std::string prefix = SiblingPrefixOf(target) + ".halvex-" +
                       std::to_string(::GetCurrentProcessId()) + "-";
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    *name = prefix + std::to_string(::GetTickCount() + attempt);
    int fd = ::_wopen(Widen(*name).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                      _S_IREAD | _S_IWRITE);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

int WriteSome(int fd, const char* data, std::size_t size) {
  constexpr std::size_t kLargestWrite = 1 << 30;
  return ::_write(fd, data, static_cast<unsigned>(size < kLargestWrite ? size : kLargestWrite));
}

int CloseFile(int fd) { return ::_close(fd); }

void RemoveFile(const std::string& path) { ::DeleteFileW(Widen(path).c_str()); }

// Windows' rename does not replace an existing file; this does, and returns
// only once the move is on disk.
bool PutInPlace(const std::string& from, const std::string& to) {
  return ::MoveFileExW(Widen(from).c_str(), Widen(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

#else
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

ssize_t WriteSome(int fd, const char* data, std::size_t size) { return ::write(fd, data, size); }

int CloseFile(int fd) { return ::close(fd); }

void RemoveFile(const std::string& path) { ::unlink(path.c_str()); }

bool PutInPlace(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

#endif

}  // namespace

#ifdef _WIN32

// A target that is a device ("NUL", "CON") or a pipe is written directly; a
// folder cannot be written. Symbolic links are rare on Windows and not
// followed: the replacement replaces the link.
std::optional<OutputFile> OutputFile::Create(const std::string& path) {
  if (path.empty()) return std::nullopt;
  std::wstring wide = Widen(path);
  if (wide.size() > kMaxWindowsPath) return std::nullopt;
  DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::nullopt;
  }
  HANDLE existing = ::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (existing != INVALID_HANDLE_VALUE) {
    if (::GetFileType(existing) != FILE_TYPE_DISK) {
      int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(existing), _O_WRONLY | _O_BINARY);
      if (fd < 0) {
        ::CloseHandle(existing);
        return std::nullopt;
      }
      return OutputFile(fd, path, {});
    }
    ::CloseHandle(existing);
  }
  std::string temporary;
  int fd = CreateTemporary(path, &temporary);
  if (fd < 0) return std::nullopt;
  return OutputFile(fd, path, temporary);
}

#else

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

#endif

OutputFile::OutputFile(int fd, std::string target, std::string temporary)
    : fd_(fd), target_(std::move(target)), temporary_(std::move(temporary)) {
  buffer_.reserve(kBufferSize);
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : fd_(other.fd_),
      target_(std::move(other.target_)),
      temporary_(std::move(other.temporary_)),
      buffer_(std::move(other.buffer_)),
      failed_(other.failed_) {
  other.fd_ = -1;
  other.temporary_.clear();
}

OutputFile::~OutputFile() { Abandon(); }

void OutputFile::Write(std::string_view text) {
  buffer_.append(text);
  if (buffer_.size() >= kBufferSize) Flush();
}

void OutputFile::Flush() {
  std::size_t done = 0;
  while (!failed_ && done < buffer_.size()) {
    auto written = WriteSome(fd_, buffer_.data() + done, buffer_.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      failed_ = true;
      break;
    }
    done += static_cast<std::size_t>(written);
  }
  buffer_.clear();
}

bool OutputFile::Commit() {
  if (fd_ < 0) return false;
  Flush();
  int fd = fd_;
  fd_ = -1;
  if (CloseFile(fd) != 0) failed_ = true;
  if (failed_) {
    Abandon();
    return false;
  }
  if (!temporary_.empty()) {
    if (!PutInPlace(temporary_, target_)) {
      Abandon();
      return false;
    }
    temporary_.clear();
  }
  return true;
}

void OutputFile::Abandon() {
  if (fd_ >= 0) {
    CloseFile(fd_);
    fd_ = -1;
  }
  if (!temporary_.empty()) {
    RemoveFile(temporary_);
    temporary_.clear();
  }
}

}  // namespace halvex
