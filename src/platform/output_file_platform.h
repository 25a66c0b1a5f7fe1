// The file operations an OutputFile needs that differ from one platform to
// the next: each platform's file_system_*.cc implements them (with
// OutputFile::Create; see file_system.h), and the build compiles the one for
// its target. A failed call leaves its reason for LastErrorText.
#pragma once

#include <cstddef>
#include <string>

namespace halvex::output_platform {

// Opens the output for the non-empty `path`: the descriptor of the file to
// write, with in `target` the file it will be (`path`, or where the links
// `path` names lead) and in `temporary` the temporary file's name, left
// empty when the target is written directly; -1 when it cannot be opened.
// See OutputFile::Create for what each platform does.
int OpenOutput(const std::string& path, std::string* target, std::string* temporary);

// Writes up to `size` bytes; the count written, or negative with errno set.
long long WriteSome(int fd, const char* data, std::size_t size);

// Closes the descriptor; zero on success.
int CloseFile(int fd);

// Removes the file, failure ignored: used to drop a temporary file.
void RemoveFile(const std::string& path);

// Moves `from` over `to`, replacing it; false when it could not.
bool PutInPlace(const std::string& from, const std::string& to);

// While a temporary file is being written, an interruption of the run (an
// interrupt, termination or hang-up signal, a console's Ctrl+C or close)
// removes it before the run ends as it would have. One file at a time:
// GuardTemporary names it and its open descriptor, ReleaseTemporary says it
// is gone or in place.
void GuardTemporary(const std::string& path, int fd);
void ReleaseTemporary();

}  // namespace halvex::output_platform
