// The published figures the checks measure against. Sources:
//  [T] LDraw.org's Parts Tracker, github.com/ldraw-org/ldraworg-library:
//      config/ldraw.php ('check' => max_point_angle, min_point_angle,
//      coplanar_angle_error, coplanar_angle_warning) and
//      app/Services/Check/PartChecks/ValidLines.php with app/Services/VectorMath.php.
//  [R] "File Format Restrictions for the Official Library", ldraw.org/article/512
//      ("Numeric Precision and Format", "Co-planar Tolerance").
//  [L] "LDraw.org Library Requirements", library.ldraw.org/documentation
//      ("Numbers: Precision").
// Where they differ, the Tracker's configuration is followed.
#pragma once

namespace halvex {

// [T] max_point_angle and min_point_angle: every angle at a corner of a
// triangle or quadrilateral must be at most 179.9 and at least 0.025
// degrees; beyond either the Tracker reports "points are colinear".
inline constexpr double kMaxCornerAngle = 179.9;
inline constexpr double kMinCornerAngle = 0.025;

// [T] coplanar_angle_error and coplanar_angle_warning; [R] "Co-planar
// Tolerance": the angle between the normals of the two triangles of a
// quadrilateral, split along either diagonal, is an error above 3 degrees,
// and above 1 degree a warning ("less than 1 degree is strongly
// recommended").
inline constexpr double kCoplanarErrorAngle = 3.0;
inline constexpr double kCoplanarWarningAngle = 1.0;

// Corners or end points closer than this (in LDU) are identical. The Tracker
// compares the numbers as read, exactly; LDPartEditor, the editor authors
// check parts with, calls points within 0.0001 LDU identical. Points closer
// than that but not equal need five or more decimals, and the Tracker
// rejects nearly all polygons with them anyway, for an angle below
// kMinCornerAngle.
inline constexpr double kIdenticalDistance = 0.0001;

// A distance worked out from coordinates misses the decimal distance between
// them by rounding, some 1e-13 LDU in a part: 0.0001 apart comes out as
// 9.99999999998e-05. A distance within this slack of a limit is at it.
inline constexpr double kDistanceSlack = 1e-9;

// [T] ValidLines: a number with more than 5 decimal places is an error
// ("Decimal precision exceeds 5").
inline constexpr int kMaxDecimals = 5;
// [R] "Precision": three decimal places suffice for parts, subparts and
// primitives not meant to be scaled; four for primitives meant to be scaled
// and hi-res primitives. [L] asks four "at a minimum" of files meant to be
// scaled. Beyond these the Tracker's warning "decimal places exceeds the
// recommendation" applies (app/Services/Check/Enums/PartWarning.php).
inline constexpr int kPartDecimals = 3;
inline constexpr int kPrimitiveDecimals = 4;

// A placement matrix whose determinant is this small is singular: the
// Tracker rejects singular matrices ([T] ValidLines, "singular rotation
// matrix"). Matrices written with a few decimals have either an exact zero
// determinant or one many orders of magnitude larger.
inline constexpr double kSingularDeterminant = 1e-11;

// Two edge lines overlap when each lies within this distance (in LDU) of
// the other's line and they share a stretch longer than it ([R]
// "Overlapping and Intersecting Line Types"; the article gives no figure).
// It is the last decimal place of a part's coordinates, so that lines on
// one line whose ends were rounded apart still count as on it.
inline constexpr double kOverlapDistance = 0.001;

}  // namespace halvex
