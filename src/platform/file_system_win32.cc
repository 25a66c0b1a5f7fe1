// Windows' part of file_system.h and output_file.h.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/file_system.h"
#include "platform/output_file_platform.h"
#include "platform/utf16.h"

namespace halvex {
namespace {

// The longest path Windows accepts, in UTF-16 units. A longer name names no
// file, and is not handed to the system, which may take long to find that out.
constexpr std::size_t kMaxWindowsPath = 32767;

// The attributes of the file `path` names; INVALID_FILE_ATTRIBUTES when there
// is none.
DWORD AttributesOf(const std::string& path) {
  std::wstring wide = Widen(path);
  if (wide.size() > kMaxWindowsPath) return INVALID_FILE_ATTRIBUTES;
  return ::GetFileAttributesW(wide.c_str());
}

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
  std::string prefix =
      SiblingPrefixOf(target) + ".halvex-" + std::to_string(::GetCurrentProcessId()) + "-";
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    *name = prefix + std::to_string(::GetTickCount() + attempt);
    int fd = ::_wopen(Widen(*name).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                      _S_IREAD | _S_IWRITE);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

FileKind KindOf(const std::string& path) {
  DWORD attributes = AttributesOf(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return FileKind::kNone;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return FileKind::kFolder;
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return FileKind::kOther;
  return FileKind::kRegular;
}

bool EntryExists(const std::string& path) { return AttributesOf(path) != INVALID_FILE_ATTRIBUTES; }

std::optional<std::uintmax_t> FileSize(const std::string& path) {
  struct _stat64 info;
  if (::_wstat64(Widen(path).c_str(), &info) != 0) return std::nullopt;
  return static_cast<std::uintmax_t>(info.st_size);
}

std::optional<FileIdentity> IdentityOfFile(const std::string& path) {
  std::wstring wide = Widen(path);
  if (wide.size() > kMaxWindowsPath) return std::nullopt;
  // Opened for no access at all: only the file's information is read, and a
  // file that others hold open is still found.
  HANDLE handle =
      ::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info;
  BOOL found = ::GetFileInformationByHandle(handle, &info);
  ::CloseHandle(handle);
  if (!found) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

bool SystemMatchesNames() { return true; }

std::vector<std::string> NamesInFolder(const std::string& /*folder*/) { return {}; }

std::FILE* OpenForReading(const std::string& name) { return ::_wfopen(Widen(name).c_str(), L"rb"); }

// The C library's calls set errno; PutInPlace and OpenOutput set it too.
std::string LastErrorText() { return std::strerror(errno); }

namespace output_platform {

long long WriteSome(int fd, const char* data, std::size_t size) {
  constexpr std::size_t kLargestWrite = 1 << 30;
  return ::_write(fd, data, static_cast<unsigned>(size < kLargestWrite ? size : kLargestWrite));
}

int CloseFile(int fd) { return ::_close(fd); }

void RemoveFile(const std::string& path) { ::DeleteFileW(Widen(path).c_str()); }

// Windows' rename does not replace an existing file; this does, and returns
// only once the move is on disk.
bool PutInPlace(const std::string& from, const std::string& to) {
  if (::MoveFileExW(Widen(from).c_str(), Widen(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0) {
    return true;
  }
  errno = ::GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
  return false;
}

namespace {

// The temporary file's name in UTF-16, made before it is needed: the
// console's handler runs on a thread of its own while the run goes on.
std::wstring guardedPath;
HANDLE guardedHandle = INVALID_HANDLE_VALUE;
volatile LONG guarding = 0;

// Ctrl+C, Ctrl+Break, the console's closing, logoff and shutdown end the
// run: the temporary file goes first. A file still open cannot be deleted,
// so its handle is closed (the process ends right after). FALSE lets the
// next handler (the default, which ends the process) act.
BOOL WINAPI RemoveGuarded(DWORD) {
  if (::InterlockedCompareExchange(&guarding, 0, 1) == 1) {
    ::CloseHandle(guardedHandle);
    ::DeleteFileW(guardedPath.c_str());
  }
  return FALSE;
}

}  // namespace

void GuardTemporary(const std::string& path, int fd) {
  static const bool installed = ::SetConsoleCtrlHandler(RemoveGuarded, TRUE) != 0;
  (void)installed;
  ::InterlockedExchange(&guarding, 0);
  guardedPath = Widen(path);
  guardedHandle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  ::InterlockedExchange(&guarding, 1);
}

void ReleaseTemporary() { ::InterlockedExchange(&guarding, 0); }

// A target that is a device ("NUL", "CON") or a pipe is written directly; a
// folder cannot be written. Symbolic links are rare on Windows and not
// followed: the replacement replaces the link.
int OpenOutput(const std::string& path, std::string* target, std::string* temporary) {
  *target = path;
  std::wstring wide = Widen(path);
  if (wide.size() > kMaxWindowsPath) {
    errno = ENAMETOOLONG;
    return -1;
  }
  DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    errno = EISDIR;
    return -1;
  }
  // A read-only file is not replaced, as copy and editors do not replace it.
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    errno = EACCES;
    return -1;
  }
  HANDLE existing = ::CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (existing != INVALID_HANDLE_VALUE) {
    if (::GetFileType(existing) != FILE_TYPE_DISK) {
      int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(existing), _O_WRONLY | _O_BINARY);
      if (fd < 0) {
        int reason = errno;
        ::CloseHandle(existing);
        errno = reason;
      }
      return fd;
    }
    ::CloseHandle(existing);
  }
  return CreateTemporary(path, temporary);
}

}  // namespace output_platform
// In the user's folder for temporary files: the C library's tmpfile uses the
// root of the drive, which a user may not write to. Mode "D" removes the
// file when it is closed.
std::FILE* OpenScratchFile() {
  wchar_t folder[MAX_PATH + 1];
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
  if (length == 0 || length > MAX_PATH) return nullptr;
  wchar_t name[MAX_PATH];
  if (::GetTempFileNameW(folder, L"hvx", 0, name) == 0) return nullptr;
  std::FILE* file = ::_wfopen(name, L"w+bD");
  if (!file) ::DeleteFileW(name);
  return file;
}

}  // namespace halvex
