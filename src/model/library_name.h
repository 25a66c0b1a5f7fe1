// When two names in LDraw files name the same library file. LDraw files
// name their subfiles as on Windows, where the file system ignores case,
// takes "\" and "/" alike and reads "." and ".." before it looks at the
// disk. One rule serves every place that matches names: the search's cache
// of names, zip archives, files embedded in an MPD, the components of a
// path on a case-sensitive disk, and the list of names not found.
#pragma once

#include <string>
#include <string_view>

namespace halvex {

// `name` with its components as the rule reads them, their case kept: "/"
// between them, empty and "." components dropped, and each ".." taking the
// component before it back. A ".." with nothing before it to take back stays
// at the start, where it goes up from the folder the name is looked up in.
// "s\..\a.dat", ".\a.dat" and "a.dat" give "a.dat"; "..\p\x.dat" stays
// "../p/x.dat".
std::string NormalizedName(std::string_view name);

// The key two names are matched by: NormalizedName with ASCII letters in
// lower case (other bytes as they are: names are read in no encoding).
std::string NameKey(std::string_view name);

}  // namespace halvex
