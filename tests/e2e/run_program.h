// Shared by the tests that run the program or need files: a fresh temporary
// folder, whole-file reads and writes, and the built program run in a folder
// with standard input from /dev/null, optionally bound by file permissions
// even when run as root, or with a limit on the size of the files it writes.
#pragma once

#include <fcntl.h>
#include <linux/securebits.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
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
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
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
  std::ostringstream text;
  text << in.rdbuf();
  return std::move(text).str();
}

// Creates the folders on the way.
inline void WriteFile(const fs::path& path, std::string_view text) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary)
      .write(text.data(), static_cast<std::streamsize>(text.size()));
}

// How the program's process is set up before it starts.
struct ProcessLimits {
  // Let root, too, read only what the permission bits allow: the program
  // starts without root's capabilities but keeps its user, so it still
  // reaches the build folder wherever that lies. If the system refuses, the
  // run ends at once with kNoDroppedRights.
  bool obeyPermissions = false;
  // The largest file the program may write, in bytes; writing past it fails
  // with EFBIG instead of raising SIGXFSZ. 0 for no limit.
  rlim_t fileSize = 0;
};

inline constexpr int kNoDroppedRights = 125;

struct ProgramResult {
  std::string out;
  int exitCode = -1;  // 128 + signal number when killed by a signal.
};

// Runs the built program in `folder` with `args` after the program name.
// Standard output and standard error are read together: any sanitizer report
// shows up in the text compared.
inline ProgramResult RunHalvex(const fs::path& folder, const std::vector<std::string>& args,
                               const ProcessLimits& limits = {}) {
  std::string binary = HALVEX_BINARY;
  std::vector<std::string> copies(args);
  std::vector<char*> argv{binary.data()};
  for (std::string& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) std::abort();
  pid_t pid = ::fork();
  if (pid == 0) {
    int devNull = ::open("/dev/null", O_RDONLY);
    if (devNull < 0 || ::chdir(folder.c_str()) != 0) ::_exit(126);
    ::dup2(devNull, 0);
    ::dup2(pipeEnds[1], 1);
    ::dup2(pipeEnds[1], 2);
    for (int fd : {devNull, pipeEnds[0], pipeEnds[1]}) ::close(fd);
    if (limits.fileSize > 0) {
      ::signal(SIGXFSZ, SIG_IGN);
      rlimit limit{limits.fileSize, limits.fileSize};
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(126);
    }
    if (limits.obeyPermissions && ::geteuid() == 0 &&
        ::prctl(PR_SET_SECUREBITS, SECBIT_NOROOT | SECBIT_NOROOT_LOCKED) != 0) {
      ::_exit(kNoDroppedRights);
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(pipeEnds[1]);
  ProgramResult result;
  char buffer[1 << 16];
  ssize_t n;
  while ((n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0) {
    result.out.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(pipeEnds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

}  // namespace halvex::testing
