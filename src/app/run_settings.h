// The switches of a run, filled by the command-line parser and only read
// afterwards. The tolerance lives with the geometry (geometry/precision.h).
#pragma once

#include <string>

namespace halvex {

struct RunSettings {
  bool expandSubfiles = false;       // -s
  bool invertSplit = false;          // -i
  bool snapOnly = false;             // -d0
  bool deleteAcross = false;         // -da
  bool deleteInPlane = false;        // -di
  bool deleteNotInOrAcross = false;  // -dn
  bool colourElements = false;       // -c; cleared by -v
  bool cutAcross = false;            // -ca
  bool verifySymmetry = false;       // -v
  bool expandWhereChanged = false;   // -e; sets expandSubfiles too
  bool check = false;                // -k
  bool authorReady = false;          // -a
  bool closeCut = false;             // -f, -ff
  std::string capColour = "16";      // -ff: the caps' colour, as LDraw writes it
};

}  // namespace halvex
