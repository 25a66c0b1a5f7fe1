// The run-wide tolerance and the fixed thresholds of the geometry.
#pragma once

namespace halvex {

// The tolerance of a run whose command line does not set one.
inline constexpr double kDefaultPrecision = 0.001;

// How far apart two coordinates may be and still count as the same, and how far
// from a splitting plane a point may lie and still count as in it. The one home
// of the run's value: the run sets it from its command line (kDefaultPrecision
// unless -p gives another) and nothing else writes it, except tests, which
// restore it.
extern double precision;

// Fixed threshold, independent of `precision`: a normal shorter than this is left
// unnormalised, and a segment whose direction has a smaller component along the
// normal counts as parallel to the plane. It guards the divisions by length and
// by that component against tiny denominators.
inline constexpr double kFixedThreshold = 0.001;

}  // namespace halvex
