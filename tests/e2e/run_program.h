// Shared by the end-to-end tests and the unit tests that need files: a fresh
// temporary folder, the built program run in it with standard input from
// /dev/null, whole-file reads and writes, fixtures from tests/data, and the
// fixed texts every run prints.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
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

// Each line followed by CR LF, as the program writes its output files.
inline std::string CrLf(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

inline fs::path FixturePath(std::string_view name) {
  return fs::path(HALVEX_SOURCE_DIR) / "tests" / "data" / name;
}

// Copies a fixture file, or a fixture folder with everything in it, to `to`.
inline void CopyFixture(std::string_view name, const fs::path& to) {
  if (to.has_parent_path()) fs::create_directories(to.parent_path());
  fs::copy(FixturePath(name), to, fs::copy_options::recursive);
}

struct ProgramResult {
  std::string out;
  std::string err;
  int exitCode = -1;  // 128 + signal number when killed by a signal.
};

namespace detail {
inline std::string ReadAll(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
  ::close(fd);
  return text;
}
}  // namespace detail

// Runs the built program in `folder` with `args` after the program name.
// Standard error goes to its own pipe, read after standard output ends (the
// program writes nothing there, sanitizer reports excepted).
inline ProgramResult RunHalvex(const fs::path& folder, const std::vector<std::string>& args) {
  std::string binary = HALVEX_BINARY;
  std::vector<char*> argv{binary.data()};
  std::vector<std::string> copies(args);
  for (std::string& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);
  int out[2];
  int err[2];
  if (::pipe(out) != 0 || ::pipe(err) != 0) std::abort();
  pid_t pid = ::fork();
  if (pid == 0) {
    int devNull = ::open("/dev/null", O_RDONLY);
    if (devNull < 0 || ::chdir(folder.c_str()) != 0) ::_exit(126);
    ::dup2(devNull, 0);
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    for (int fd : {devNull, out[0], out[1], err[0], err[1]}) ::close(fd);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  ProgramResult result;
  result.out = detail::ReadAll(out[0]);
  result.err = detail::ReadAll(err[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

inline constexpr std::string_view kBanner = "Halvex 1.0 - split LDraw files by a plane\n";
inline constexpr std::string_view kPrompt = "Press <Enter> to quit\n";
inline constexpr std::string_view kUsage =
    "Halvex [options] Infile [SplitterFile] Outfile\n"
    "-p <val>: precision (default 0.001)\n"
    "-x+: split by plane x=0, keep elements x>0\n"
    "-x++ <val>: split by plane x=val, keep elements x>val\n"
    "-x-: split by plane x=0, keep elements x<0\n"
    "-x-- <val>: split by plane x=val, keep elements x<val\n"
    "-y+, -y++, -y-, -y--,  -z+, -z++, -z--: ditto for y or z\n"
    "-da: delete elements across splitter plane\n"
    "-di: delete elements completely In splitter plane\n"
    "-dn: delete elements not in or across splitter plane\n"
    "-d0: no elements deleted, only snaps to splitter plane\n"
    "-i: invert split direction\n"
    "-c: color elements across or along splitter plane\n"
    "-ca: cut elements across splitting plane\n"
    "-v: verify self-symmetry of elements across splitter plane\n"
    "-s: expand subfiles\n"
    "-l \"path\": define ldraw search path\n";

// The load, save and expansion reports of Parts 4.2, 4.4 and 4.3: the heading
// after a blank line, then one count per line.
inline std::string Report(std::string heading,
                          const std::vector<std::pair<int, const char*>>& rows) {
  std::string out = "\n" + heading + "\n";
  for (const auto& [count, label] : rows) out += std::to_string(count) + label + "\n";
  return out;
}

inline std::string LoadReport(std::string_view name, int lines, int edges, int conds, int tris,
                              int quads, int subfiles) {
  return Report("Loading " + std::string(name), {{lines, " lines in file"},
                                                 {edges, " Edge lines"},
                                                 {conds, " Conditional lines"},
                                                 {tris, " Triangles"},
                                                 {quads, " Quads"},
                                                 {subfiles, " Subfiles"}});
}

inline std::string SaveReport(std::string_view name, int lines, int edges, int conds, int tris,
                              int quads) {
  return Report("Saving " + std::string(name), {{lines, " lines in file"},
                                                {edges, " Edge lines"},
                                                {conds, " Conditional lines"},
                                                {tris, " Triangles"},
                                                {quads, " Quads"}});
}

// Without the blank line that the run prints after it.
inline std::string InlinedReport(int edges, int conds, int tris, int quads) {
  return Report("Inlined from subfiles:", {{edges, " Edge lines"},
                                           {conds, " Conditional lines"},
                                           {tris, " Triangles"},
                                           {quads, " Quads"}});
}

}  // namespace halvex::testing
