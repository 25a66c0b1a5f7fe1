#include "geometry/precision.h"

namespace halvex {

double precision = kDefaultPrecision;

}  // namespace halvex
