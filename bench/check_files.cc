// Checks many files in one process, as "halvex -k" checks one: the names
// are read from standard input, one a line, and each file's findings and
// counts are printed as the program prints them. With "-l LIBDIR", each
// file's geometry is also checked as placed through its own folder and the
// library, as "halvex -k -s -l LIBDIR" does. tools/check_library.sh runs it
// over a whole library, one process per core.
//
//   halvex_check_files [-l LIBDIR] < names.txt
#include <iostream>
#include <string>

#include "app/check_run.h"
#include "model/path_resolver.h"
#include "model/search_path.h"

int main(int argc, char** argv) {
  std::string library;
  if (argc == 3 && std::string(argv[1]) == "-l") {
    library = argv[2];
  } else if (argc != 1) {
    std::cerr << "usage: halvex_check_files [-l LIBDIR] < names.txt" << std::endl;
    return 1;
  }
  std::ios::sync_with_stdio(false);
  halvex::PathResolver resolver;
  std::string name;
  int files = 0;
  int withErrors = 0;
  while (std::getline(std::cin, name)) {
    if (name.empty()) continue;
    halvex::CheckOutcome outcome;
    if (library.empty()) {
      outcome = halvex::CheckAndReport(name, resolver, nullptr, std::cout, std::cerr);
    } else {
      halvex::SearchPath searchPath(resolver);
      searchPath.AddInputFolder(name);
      std::string error;
      if (searchPath.AddLibrary(library, &error) != halvex::LibraryStatus::kLibrary) {
        std::cerr << library << " is no library " << error << std::endl;
        return 2;
      }
      outcome = halvex::CheckAndReport(name, resolver, &searchPath, std::cout, std::cerr);
    }
    ++files;
    if (outcome.errors > 0) ++withErrors;
  }
  std::cerr << files << " files checked, " << withErrors << " with errors" << std::endl;
  return 0;
}
