#include "app/command_line.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string_view>

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
    "-k: check by LDraw.org's library rules: Outfile, or Infile alone (exit code 3 on errors)",
    "-a: write Outfile as an author submits it: outlines along the cut, clean numbers, header",
    "-f: close the cut: cover the part's cross-section in each plane with faces of colour 16",
    "-ff <colour>: close the cut with faces of the colour given",
};

bool IsSign(char c) { return c == '+' || c == '-'; }

Axis AxisNamed(char letter) {
  return letter == 'x' ? Axis::kX : letter == 'y' ? Axis::kY : Axis::kZ;
}

// The refusal of a command line.
ParsedCommandLine Refuse(std::vector<std::string> optionMessages, std::string message,
                         std::string reason) {
  return {std::move(optionMessages), std::nullopt, {std::move(message), std::move(reason)}};
}

// An option's value read as a number: the whole argument must be one, finite.
std::optional<double> FiniteValue(const std::string* value) {
  std::optional<double> number = value ? ScanWholeNumber(*value) : std::nullopt;
  if (!number || std::isnan(*number) || std::isinf(*number)) return std::nullopt;
  return number;
}

// What is wrong with a file-argument count other than two or three.
std::string FileCountReason(std::size_t files) {
  if (files == 0) return "missing Infile and Outfile";
  if (files == 1) return "missing Outfile";
  return "too many file names: " + std::to_string(files) + ", at most 3";
}

// Sets the switch that a -d, -i, -c, -v, -s, -e, -k or -a option names, and adds its
// message when it has one; false when the option names no switch.
bool SetSwitch(const std::string& option, RunSettings& settings,
               std::vector<std::string>& messages) {
  const char second = option.size() > 1 ? option[1] : '\0';
  const char third = option.size() > 2 ? option[2] : '\0';
  switch (second) {
    case 'd':
      if (third == 'a') {
        settings.deleteAcross = true;
        messages.emplace_back("Elements across splitter plane deleted");
      } else if (third == 'i') {
        settings.deleteInPlane = true;
        messages.emplace_back("Elements completely in splitter plane deleted");
      } else if (third == 'n') {
        settings.deleteNotInOrAcross = true;
        messages.emplace_back("Elements not across or in splitter plane deleted");
      } else if (third == '0') {
        settings.snapOnly = true;
        messages.emplace_back("No elements deleted, only snaps to splitter plane");
      } else {
        return false;
      }
      return true;
    case 'i':
      settings.invertSplit = true;
      return true;
    case 'c':
      if (option.size() == 2) {
        settings.colourElements = true;
      } else if (third == 'a') {
        settings.cutAcross = true;
        messages.emplace_back("Cut elements by splitter plane");
      } else {
        return false;
      }
      return true;
    case 'v':
      settings.verifySymmetry = true;
      return true;
    case 's':
      settings.expandSubfiles = true;
      return true;
    case 'e':
      settings.expandSubfiles = true;
      settings.expandWhereChanged = true;
      return true;
    case 'k':
      settings.check = true;
      return true;
    case 'a':
      settings.authorReady = true;
      return true;
    default:
      return false;
  }
}

// Whether `text` is a colour as LDraw lines write one: a decimal number, or
// "0x" and up to eight hexadecimal digits (a direct colour).
bool IsColourText(const std::string& text) {
  auto all = [](std::string_view digits, auto test) {
    return !digits.empty() && std::all_of(digits.begin(), digits.end(), test);
  };
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    return text.size() <= 10 && all(std::string_view(text).substr(2), [](char c) {
             return std::isxdigit(static_cast<unsigned char>(c)) != 0;
           });
  }
  return text.size() <= 9 &&
         all(text, [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

// The parse of a command line of any length.
ParsedCommandLine ParseArguments(const std::vector<std::string>& args) {
  ParsedCommandLine parsed;
  std::vector<std::string>& messages = parsed.optionMessages;
  CommandLine command;
  RunSettings& settings = command.settings;
  bool splitSpecified = false;
  std::string missingValue;

  std::size_t i = 0;
  while (i < args.size() && !args[i].empty() && args[i][0] == '-') {
    const std::string& option = args[i];
    // A value-taking option takes the next argument whatever it holds; at the
    // end of the list it takes nothing.
    const std::string* value = i + 1 < args.size() ? &args[i + 1] : nullptr;
    bool takesValue = false;
    const std::string unknown = "unknown option " + option;
    char kind = option.size() > 1 ? option[1] : '\0';
    switch (kind) {
      case 'p': {
        takesValue = true;
        if (!value) break;
        std::optional<double> number = FiniteValue(value);
        if (!number || *number < 0) {
          return Refuse(std::move(messages), "Invalid precision " + *value, "");
        }
        command.precision = *number;
        break;
      }
      case 'x':
      case 'y':
      case 'z': {
        const bool wellFormed =
            option.size() >= 3 && IsSign(option[2]) && (option.size() == 3 || IsSign(option[3]));
        if (!wellFormed) return Refuse(std::move(messages), "", unknown);
        double v = 0;
        if (option.size() > 3) {
          takesValue = true;
          if (value) {
            std::optional<double> number = FiniteValue(value);
            if (!number) return Refuse(std::move(messages), "Invalid plane value " + *value, "");
            v = *number;
          }
        }
        command.axisPlanes.push_back({AxisNamed(kind), option[2] == '+', v});
        splitSpecified = true;
        break;
      }
      case 'f':
        if (option == "-f") {
          settings.closeCut = true;
          settings.capColour = "16";
        } else if (option == "-ff") {
          takesValue = true;
          if (value) {
            if (!IsColourText(*value)) {
              return Refuse(std::move(messages), "Invalid colour " + *value, "");
            }
            settings.closeCut = true;
            settings.capColour = *value;
          }
        } else {
          return Refuse(std::move(messages), "", unknown);
        }
        break;
      case 'l':
        takesValue = true;
        if (value) command.libraries.push_back(*value);
        break;
      default:
        if (!SetSwitch(option, settings, messages)) return Refuse(std::move(messages), "", unknown);
    }
    if (takesValue && !value) missingValue = "missing value after " + option;
    i += takesValue ? 2 : 1;
  }
  if (settings.verifySymmetry) settings.colourElements = false;

  std::size_t files = i < args.size() ? args.size() - i : 0;
  if (settings.check && files == 1 && !splitSpecified) {
    command.inFile = args[i];
    command.checkOnly = true;
    parsed.command = std::move(command);
    return parsed;
  }
  if (files > 3 || files < 2) {
    return Refuse(std::move(messages), "Wrong number of arguments",
                  missingValue.empty() ? FileCountReason(files) : missingValue);
  }
  if (files == 2 && !splitSpecified) return Refuse(std::move(messages), "No split specified", "");
  command.inFile = args[i];
  if (files == 3) command.splitterFile = args[i + 1];
  command.outFile = args.back();

  parsed.command = std::move(command);
  return parsed;
}

}  // namespace

void ShowUsage(std::ostream& out) {
  for (const char* line : kUsage) out << line << std::endl;
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  ParsedCommandLine parsed = ParseArguments(args);
  // Fewer than three arguments make no command line but a check of Infile
  // alone; the usage then stands alone on standard output, and the parse of
  // what there is says what is missing.
  if (args.size() < 3 && !(parsed.command && parsed.command->checkOnly)) {
    const CommandLineError& error = parsed.error;
    return Refuse({}, "", error.reason.empty() ? error.message : error.reason);
  }
  return parsed;
}

void ReportCommandLine(const ParsedCommandLine& parsed, std::ostream& out, std::ostream& err) {
  for (const std::string& message : parsed.optionMessages) out << message << std::endl;
  if (parsed.command) return;
  const CommandLineError& error = parsed.error;
  if (!error.message.empty()) out << error.message << std::endl;
  if (!error.reason.empty()) err << error.reason << std::endl;
  ShowUsage(out);
}

}  // namespace halvex
