// What the expansion and the judge of its references share: how deep
// references nest, and what a split would do with what a reference places.
#pragma once

#include <functional>
#include <span>

#include "geometry/point.h"

namespace halvex {

// References nested deeper than this are left unexpanded.
inline constexpr int kMaxNesting = 64;

// What a split would do with the elements that fully inlining a reference
// places: keep every one of them unchanged, remove every one, or anything
// else (cut, snap, recolour, or keep some and remove others).
enum class Verdict { kKeepWhole, kRemoveWhole, kInline };

// Judges a reference by points in model coordinates whose convex hull holds
// every point the split would classify among the elements its full
// expansion places. A file that draws nothing is judged by the position of
// its reference.
using ExtentJudge = std::function<Verdict(std::span<const Point> points)>;

}  // namespace halvex
