// Shared by the end-to-end tests and the tests that need files: a fresh
// temporary folder, whole-file reads and writes, and the built program run in
// a folder with standard input from /dev/null.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace halvex::testing {

namespace fs = std::filesystem;

// A new empty folder, removed with everything in it at the end of the test.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "halvex-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const fs::path& Path() const { return path_; }
  fs::path operator/(std::string_view name) const { return path_ / name; }

 private:
  fs::path path_;
};

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Creates the folders on the way.
inline void WriteFile(const fs::path& path, std::string_view text) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

struct ProgramResult {
  std::string out;    // Standard output and standard error, as one text.
  int exitCode = -1;  // 128 + signal number when killed by a signal.
};

// Runs the built program in `folder` with `args` after the program name. The
// program writes nothing to standard error, so anything there (a sanitizer
// report) shows up in the text compared.
inline ProgramResult RunHalvex(const fs::path& folder, const std::vector<std::string>& args) {
  std::string binary = HALVEX_BINARY;
  std::vector<std::string> copies(args);
  std::vector<char*> argv{binary.data()};
  for (std::string& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);
  int out[2];
  if (::pipe(out) != 0) std::abort();
  pid_t pid = ::fork();
  if (pid == 0) {
    int devNull = ::open("/dev/null", O_RDONLY);
    if (devNull < 0 || ::chdir(folder.c_str()) != 0) ::_exit(126);
    ::dup2(devNull, 0);
    ::dup2(out[1], 1);
    ::dup2(out[1], 2);
    ::close(devNull);
    ::close(out[0]);
    ::close(out[1]);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ProgramResult result;
  char buffer[4096];
  for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) {
    result.out.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(out[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

}  // namespace halvex::testing
