// Points, vectors and 3x3 matrices in doubles: the arithmetic under every
// element, with the text forms in which LDraw lines carry them. An LDraw
// placement is a matrix M with an offset t and maps p to M*p + t.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "geometry/number_text.h"

namespace halvex {

struct Point {
  double x = 0;
  double y = 0;
  double z = 0;

  // Reads three numbers from `text` at `pos` ("%lf" each, every number skipped
  // as a whole token). Returns the position after the last number read, or
  // std::string_view::npos when a number cannot be read; the coordinates read
  // before the failure keep their new values, the rest keep their old ones.
  // Where the text has ended, nothing is read and the old value stays.
  std::size_t Parse(std::string_view text, std::size_t pos);

  // "%g %g %g".
  std::string ToText() const;
  void AppendText(std::string& out) const;
  // Writes the text AppendText appends to `out`, which must have room for
  // kMaxPointLength characters, and answers the end of what it wrote.
  char* WriteText(char* out) const;
};

// The longest text of a point: three numbers and two blanks.
inline constexpr std::size_t kMaxPointLength = 3 * kMaxNumberLength + 2;

// A direction or difference; the same three numbers as a point.
using Vector = Point;

// The vector from `from` to `to`.
inline Vector Difference(const Point& from, const Point& to) {
  return {to.x - from.x, to.y - from.y, to.z - from.z};
}
inline Point Add(const Point& p, const Vector& v) { return {p.x + v.x, p.y + v.y, p.z + v.z}; }
inline Vector Scale(const Vector& v, double s) { return {v.x * s, v.y * s, v.z * s}; }

inline double Dot(const Vector& u, const Vector& v) { return u.x * v.x + u.y * v.y + u.z * v.z; }

// u x v, written out in the order that fixes every rounding.
inline Vector Cross(const Vector& u, const Vector& v) {
  return {u.y * v.z - v.y * u.z, v.x * u.z - u.x * v.z, v.y * u.x - v.x * u.y};
}

double Length(const Vector& v);

// Divides by the length when it is at least kFixedThreshold; a shorter vector
// (a zero normal of a degenerate polygon among them) is returned unchanged.
Vector Normalize(const Vector& v);

// |dx| + |dy| + |dz|: distances to splitting planes are measured this way.
double ManhattanDistance(const Point& a, const Point& b);

// Tolerant equality, a box test: every axis differs by at most `precision`.
bool Coincides(const Point& a, const Point& b);

// Whether the segments a-b and c-d have the same ends, either way round, each
// end within `precision` (Coincides).
inline bool SameSegment(const Point& a, const Point& b, const Point& c, const Point& d) {
  return (Coincides(a, c) && Coincides(b, d)) || (Coincides(b, c) && Coincides(a, d));
}

// Rows (a b c), (d e f), (g h i). A default matrix is all zeros.
struct Matrix3 {
  double a = 0, b = 0, c = 0;
  double d = 0, e = 0, f = 0;
  double g = 0, h = 0, i = 0;

  // "%g" nine times, blank separated.
  std::string ToText() const;
  void AppendText(std::string& out) const;
};

Matrix3 MatrixFromRows(const Point& row1, const Point& row2, const Point& row3);

// m * v.
Vector Apply(const Matrix3& m, const Vector& v);

// m * n, so that Apply(Multiply(m, n), v) is Apply(m, Apply(n, v)).
Matrix3 Multiply(const Matrix3& m, const Matrix3& n);

double Determinant(const Matrix3& m);

}  // namespace halvex
