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

// The system's words for why the last of these calls failed.
std::string LastErrorText();

// While a temporary file is being written, an interruption of the run (an
// interrupt, termination or hang-up signal, a console's Ctrl+C or close)
// removes it before the run ends as it would have. One file at a time:
// GuardTemporary names it and its open descriptor, ReleaseTemporary says it
// is gone or in place.
void GuardTemporary(const std::string& path, int fd);
void ReleaseTemporary();

}  // namespace halvex::output_platform
