#include "platform/entry_point.h"
#include "platform/utf16.h"

// The arguments arrive in UTF-16, whatever the code page; inside the program
// every name is UTF-8.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int k = 1; k < argc; ++k) args.push_back(halvex::Narrow(argv[k]));
  return halvex::ProgramMain(args);
}
