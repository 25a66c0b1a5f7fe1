#include <windows.h>

#include "model/file_identity.h"
#include "model/native_path.h"

namespace halvex {

std::optional<FileIdentity> IdentityOfFile(const std::string& path) {
  std::wstring wide = Widen(path);
  if (wide.size() > kMaxWindowsPath) return std::nullopt;
  // Opened for no access at all: only the file's information is read, and a
  // file that others hold open is still found.
  HANDLE handle = ::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info;
  BOOL found = ::GetFileInformationByHandle(handle, &info);
  ::CloseHandle(handle);
  if (!found) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

}  // namespace halvex
