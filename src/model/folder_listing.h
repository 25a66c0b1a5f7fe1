// The names in a folder, for matching file names without regard to case on
// systems whose file names are case-sensitive. folder_listing_posix.cc and
// folder_listing_wasi.cc implement it; Windows matches names itself and has
// no need of it.
#pragma once

#include <string>
#include <vector>

namespace halvex {

// The names of the entries of `folder`, "." and ".." left out, in the order
// the system gives them; empty when the folder cannot be read.
std::vector<std::string> NamesInFolder(const std::string& folder);

}  // namespace halvex
