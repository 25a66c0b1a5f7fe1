#include "model/native_path.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace halvex {

#ifdef _WIN32

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  int size =
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
  return wide;
}

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return {};
  int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                   0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size,
                        nullptr, nullptr);
  return utf8;
}

std::filesystem::path NativePath(const std::string& name) {
  return std::filesystem::path(Widen(name));
}

#else

std::filesystem::path NativePath(const std::string& name) { return std::filesystem::path(name); }

#endif

}  // namespace halvex
