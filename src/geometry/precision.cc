#include "geometry/precision.h"

namespace halvex {

double precision = 0.001;

}  // namespace halvex
