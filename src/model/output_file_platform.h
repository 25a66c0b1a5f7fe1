// The file operations an OutputFile needs that differ from one platform to
// the next: output_file_posix.cc, output_file_win32.cc and
// output_file_wasi.cc implement them (with OutputFile::Create), and the build
// compiles the one for its target.
#pragma once

#include <cstddef>
#include <string>

namespace halvex::output_platform {

// Writes up to `size` bytes; the count written, or negative with errno set.
long long WriteSome(int fd, const char* data, std::size_t size);

// Closes the descriptor; zero on success.
int CloseFile(int fd);

// Removes the file, failure ignored: used to drop a temporary file.
void RemoveFile(const std::string& path);

// Moves `from` over `to`, replacing it; false when it could not.
bool PutInPlace(const std::string& from, const std::string& to);

}  // namespace halvex::output_platform
