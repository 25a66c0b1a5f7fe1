// A subfile as found, on disk, in a library archive or embedded in an MPD:
// the search path hands it out, embedded files keep theirs as read.
#pragma once

#include <string>

namespace halvex {

// Where the file was found, and its text. Every name of one file gives the
// same Subfile, so its address identifies the file.
struct Subfile {
  std::string path;
  std::string text;
  // The file the run works on, reached again as a subfile (by its name on
  // disk, or as the model's own section of an MPD): every reference to it
  // is a loop.
  bool top = false;
};

}  // namespace halvex
