// An output file that is either written completely or not at all. Text goes
// to a temporary file beside the target, which replaces the target only when
// everything was written and closed; a failed or abandoned write leaves the
// target as it was and removes the temporary file. A target that exists and
// is not a regular file (a device such as /dev/null or NUL, a pipe) is
// written directly. POSIX systems, Windows and WASI alike; bytes are written
// as given, with no conversion of line ends.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace halvex {

class OutputFile {
 public:
  // Opens the output for `path`; none, with the system's reason in
  // `reason`, when it cannot be created. An existing file that the user
  // could not open for writing (read-only) is not replaced: it cannot be
  // created. A file that is replaced keeps its mode (and on POSIX systems its
  // owner and group, where the user may give them). On POSIX systems a
  // symbolic link is followed: the file it points to is replaced, the link
  // stays.
  static std::optional<OutputFile> Create(const std::string& path, std::string* reason);

  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&&) = delete;
  OutputFile(const OutputFile&) = delete;
  ~OutputFile();

  // Buffered; errors are remembered and reported by Commit.
  void Write(std::string_view text);

  // Flushes, closes and puts the file in place. False on any error, with the
  // target untouched (when it is replaced rather than written directly) and
  // the system's reason in Reason.
  [[nodiscard]] bool Commit();
  const std::string& Reason() const { return reason_; }

 private:
  OutputFile(int fd, std::string target, std::string temporary);
  void Flush();
  void Abandon();

  int fd_ = -1;
  std::string target_;
  std::string temporary_;  // Empty when the target is written directly.
  std::string buffer_;
  bool failed_ = false;
  std::string reason_;  // Why the first failure failed.
};

}  // namespace halvex
