// Shared by the tests that run the program or need files: a fresh temporary
// folder, whole-file reads and writes, and the built program run in a folder
// with standard input from /dev/null and the LDRAWDIR it is given (none by
// default, whatever the tests' own environment holds, so that a library set
// up on the machine changes no result), optionally bound by file permissions
// even when run as root, or with a limit on the size of the files it writes
// (POSIX only).
#pragma once

#ifdef _WIN32
#include <windows.h>
// windows.h names SearchPathA/W by this macro; the tests mean the class.
#undef SearchPath
#else
#include <fcntl.h>
#include <signal.h>
#ifdef __linux__
#include <linux/securebits.h>
#include <sys/prctl.h>
#endif
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

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
#ifdef _WIN32
    static unsigned counter = 0;
    for (;;) {
      path_ = fs::temp_directory_path() / ("halvex-test-" + std::to_string(::GetCurrentProcessId()) +
                                           "-" + std::to_string(counter++));
      std::error_code error;
      if (fs::create_directory(path_, error)) break;
      if (error) std::abort();
    }
#else
    std::string pattern = (fs::temp_directory_path() / "halvex-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
#endif
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

// `text` with every `from` replaced by `to`.
inline std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// The lines of `text`, each ended by LF (a last line without one is left out).
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
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
  unsigned long fileSize = 0;
};

inline constexpr int kNoDroppedRights = 125;

// Whether the tests run with the rights of root.
inline bool RunningAsRoot() {
#ifdef _WIN32
  return false;
#else
  return ::geteuid() == 0;
#endif
}

struct ProgramResult {
  std::string out;
  int exitCode = -1;  // 128 + signal number when killed by a signal.
};

#ifdef _WIN32

// `arg` quoted for a Windows command line as the C runtime splits it.
inline std::wstring QuoteArgument(const std::wstring& arg) {
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    out.push_back(c);
  }
  out.append(2 * backslashes, L'\\');
  out.push_back(L'"');
  return out;
}

inline std::wstring WideArgument(const std::string& utf8) {
  std::wstring wide(utf8.size(), L'\0');
  int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                   wide.data(), static_cast<int>(wide.size()));
  wide.resize(static_cast<std::size_t>(size));
  return wide;
}

// Runs the built program in `folder` with `args` after the program name,
// standard input from NUL. The console text ends its lines with CR LF on
// Windows; they are read back as LF, as the program writes them. The limits
// are not available here: the tests that need them are skipped.
inline ProgramResult RunHalvex(const fs::path& folder, const std::vector<std::string>& args,
                               const ProcessLimits& = {}, const std::string& ldrawDir = {}) {
  // The program inherits the environment; each test is a process of its own.
  ::SetEnvironmentVariableW(L"LDRAWDIR",
                            ldrawDir.empty() ? nullptr : WideArgument(ldrawDir).c_str());
  std::wstring commandLine = QuoteArgument(WideArgument(HALVEX_BINARY));
  for (const std::string& arg : args) commandLine += L" " + QuoteArgument(WideArgument(arg));
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) std::abort();
  ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  HANDLE nul = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nul;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  PROCESS_INFORMATION process{};
  std::wstring folderName = folder.wstring();
  // Under Wine on a loaded machine, starting a process now and then fails
  // for no reason of the program's; a second or third try starts it.
  bool started = false;
  for (int attempt = 0; attempt < 3 && !started; ++attempt) {
    started = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                               folderName.c_str(), &startup, &process);
  }
  ::CloseHandle(writeEnd);
  ::CloseHandle(nul);
  ProgramResult result;
  if (!started) {
    ::CloseHandle(readEnd);
    result.exitCode = 127;
    return result;
  }
  char buffer[1 << 16];
  DWORD n = 0;
  while (::ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n > 0) {
    result.out.append(buffer, n);
  }
  ::CloseHandle(readEnd);
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  ::GetExitCodeProcess(process.hProcess, &code);
  ::CloseHandle(process.hProcess);
  ::CloseHandle(process.hThread);
  result.exitCode = static_cast<int>(code);
  std::string text;
  for (std::size_t k = 0; k < result.out.size(); ++k) {
    if (!(result.out[k] == '\r' && k + 1 < result.out.size() && result.out[k + 1] == '\n')) {
      text.push_back(result.out[k]);
    }
  }
  result.out = std::move(text);
  return result;
}

#else

// Runs the built program in `folder` with `args` after the program name.
// Standard output and standard error are read together: any sanitizer report
// shows up in the text compared.
inline ProgramResult RunHalvex(const fs::path& folder, const std::vector<std::string>& args,
                               const ProcessLimits& limits = {}, const std::string& ldrawDir = {}) {
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
    if (ldrawDir.empty()) {
      ::unsetenv("LDRAWDIR");
    } else {
      ::setenv("LDRAWDIR", ldrawDir.c_str(), 1);
    }
    if (limits.fileSize > 0) {
      ::signal(SIGXFSZ, SIG_IGN);
      rlimit limit{static_cast<rlim_t>(limits.fileSize), static_cast<rlim_t>(limits.fileSize)};
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(126);
    }
    if (limits.obeyPermissions && ::geteuid() == 0) {
#ifdef __linux__
      if (::prctl(PR_SET_SECUREBITS, SECBIT_NOROOT | SECBIT_NOROOT_LOCKED) != 0) {
        ::_exit(kNoDroppedRights);
      }
#else
      ::_exit(kNoDroppedRights);
#endif
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

#endif

}  // namespace halvex::testing
