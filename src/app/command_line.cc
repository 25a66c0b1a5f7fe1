#include "app/command_line.h"

#include <cmath>

#include "geometry/number_text.h"
#include "geometry/precision.h"

namespace halvex {
namespace {

constexpr const char* kUsage[] = {
    "Halvex [options] Infile [SplitterFile] Outfile",
    "-p <val>: precision (default 0.001)",
    "-x+: split by plane x=0, keep elements x>0",
    "-x++ <val>: split by plane x=val, keep elements x>val",
    "-x-: split by plane x=0, keep elements x<0",
    "-x-- <val>: split by plane x=val, keep elements x<val",
    "-y+, -y++, -y-, -y--,  -z+, -z++, -z--: ditto for y or z",
    "-da: delete elements across splitter plane",
    "-di: delete elements completely In splitter plane",
    "-dn: delete elements not in or across splitter plane",
    "-d0: no elements deleted, only snaps to splitter plane",
    "-i: invert split direction",
    "-c: color elements across or along splitter plane",
    "-ca: cut elements across splitting plane",
    "-v: verify self-symmetry of elements across splitter plane",
    "-s: expand subfiles",
    "-l \"path\": define ldraw search path",
    "-e: expand subfiles only where the split changes them",
};

bool IsSign(char c) { return c == '+' || c == '-'; }

Axis AxisNamed(char letter) {
  return letter == 'x' ? Axis::kX : letter == 'y' ? Axis::kY : Axis::kZ;
}

// The folder part of a path as a search prefix: up to and including its
// last separator, ".\" when it has none.
std::string SearchPrefixOf(const std::string& path) {
  std::size_t last = path.find_last_of("\\/");
  if (last == std::string::npos) return ".\\";
  return path.substr(0, last + 1);
}

bool EndsWithSeparator(const std::string& path) {
  return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

// The six library entries of one -l folder. An empty folder stands for the
// current one.
void AddLibrary(std::string folder, std::vector<std::string>& locations) {
  if (!folder.empty() && !EndsWithSeparator(folder)) folder.push_back('\\');
  for (const char* sub : {"p\\", "parts\\", "parts\\s\\", "Unofficial\\p\\", "Unofficial\\parts\\",
                          "Unofficial\\parts\\s\\"}) {
    locations.push_back(folder + sub);
  }
}

std::optional<CommandLine> Fail(std::ostream& out) {
  ShowUsage(out);
  return std::nullopt;
}

}  // namespace

void ShowUsage(std::ostream& out) {
  for (const char* line : kUsage) out << line << std::endl;
}

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            std::ostream& out) {
  precision = kDefaultPrecision;
  if (args.size() < 3) return Fail(out);
  CommandLine command;
  RunSettings& settings = command.settings;
  bool splitSpecified = false;
  std::vector<std::string> libraryLocations;

  std::size_t i = 0;
  while (i < args.size() && !args[i].empty() && args[i][0] == '-') {
    const std::string& option = args[i];
    // A value-taking option takes the next argument whatever it holds; at the
    // end of the list it takes nothing.
    const std::string* value = i + 1 < args.size() ? &args[i + 1] : nullptr;
    bool takesValue = false;
    char kind = option.size() > 1 ? option[1] : '\0';
    switch (kind) {
      case 'p': {
        takesValue = true;
        std::optional<double> number = value ? ScanDouble(*value, 0) : std::nullopt;
        if (number) {
          if (std::isnan(*number) || std::isinf(*number) || *number < 0) {
            out << "Invalid precision " << *value << std::endl;
            return Fail(out);
          }
          precision = *number;
        }
        break;
      }
      case 'x':
      case 'y':
      case 'z': {
        if (option.size() < 3 || !IsSign(option[2])) return Fail(out);
        if (option.size() > 3 && !IsSign(option[3])) return Fail(out);
        double v = 0;
        if (option.size() > 3) {
          takesValue = true;
          if (value) v = ScanDouble(*value, 0).value_or(0);
        }
        command.axisPlanes.push_back({AxisNamed(kind), option[2] == '+', v});
        splitSpecified = true;
        break;
      }
      case 'd': {
        char which = option.size() > 2 ? option[2] : '\0';
        if (which == 'a') {
          settings.deleteAcross = true;
          out << "Elements across splitter plane deleted" << std::endl;
        } else if (which == 'i') {
          settings.deleteInPlane = true;
          out << "Elements completely in splitter plane deleted" << std::endl;
        } else if (which == 'n') {
          settings.deleteNotInOrAcross = true;
          out << "Elements not across or in splitter plane deleted" << std::endl;
        } else if (which == '0') {
          settings.snapOnly = true;
          out << "No elements deleted, only snaps to splitter plane" << std::endl;
        } else {
          return Fail(out);
        }
        break;
      }
      case 'i':
        settings.invertSplit = true;
        break;
      case 'c':
        if (option.size() == 2) {
          settings.colourElements = true;
        } else if (option[2] == 'a') {
          settings.cutAcross = true;
          out << "Cut elements by splitter plane" << std::endl;
        } else {
          return Fail(out);
        }
        break;
      case 'v':
        settings.verifySymmetry = true;
        break;
      case 's':
        settings.expandSubfiles = true;
        break;
      case 'e':
        settings.expandSubfiles = true;
        settings.expandWhereChanged = true;
        break;
      case 'l':
        takesValue = true;
        if (value) AddLibrary(*value, libraryLocations);
        break;
      default:
        return Fail(out);
    }
    i += takesValue ? 2 : 1;
  }
  if (settings.verifySymmetry) settings.colourElements = false;

  std::size_t files = i < args.size() ? args.size() - i : 0;
  if (files > 3 || files < 2) {
    out << "Wrong number of arguments" << std::endl;
    return Fail(out);
  }
  if (files == 2 && !splitSpecified) {
    out << "No split specified" << std::endl;
    return Fail(out);
  }
  command.inFile = args[i];
  if (files == 3) command.splitterFile = args[i + 1];
  command.outFile = args.back();

  // Subfiles are looked for beside the input file first, then in the
  // libraries in command-line order.
  std::string folder = SearchPrefixOf(command.inFile);
  command.searchLocations = {folder, folder + "p\\", folder + "s\\"};
  command.searchLocations.insert(command.searchLocations.end(), libraryLocations.begin(),
                                 libraryLocations.end());
  return command;
}

}  // namespace halvex
