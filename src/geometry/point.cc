#include "geometry/point.h"

#include <cmath>

#include "geometry/number_text.h"
#include "geometry/precision.h"

namespace halvex {

std::size_t Point::Parse(std::string_view text, std::size_t pos) {
  for (double* coordinate : {&x, &y, &z}) {
    pos = SkipSpace(text, pos);
    if (pos == text.size()) continue;  // Nothing left: the old value stays.
    ScannedNumber number = ScanNumberToken(text, pos);
    if (!number.value) return std::string_view::npos;
    *coordinate = *number.value;
    pos = number.end;
  }
  return pos;
}

std::string Point::ToText() const {
  std::string out;
  AppendText(out);
  return out;
}

char* Point::WriteText(char* out) const {
  out = WriteNumber(out, x);
  *out++ = ' ';
  out = WriteNumber(out, y);
  *out++ = ' ';
  return WriteNumber(out, z);
}

void Point::AppendText(std::string& out) const {
  char buffer[kMaxPointLength];
  out.append(buffer, WriteText(buffer));
}

double Length(const Vector& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

Vector Normalize(const Vector& v) {
  double length = Length(v);
  if (!(length >= kFixedThreshold)) return v;
  return {v.x / length, v.y / length, v.z / length};
}

double ManhattanDistance(const Point& a, const Point& b) {
  return std::fabs(a.x - b.x) + std::fabs(a.y - b.y) + std::fabs(a.z - b.z);
}

bool Coincides(const Point& a, const Point& b) {
  return std::fabs(a.x - b.x) <= precision && std::fabs(a.y - b.y) <= precision &&
         std::fabs(a.z - b.z) <= precision;
}

std::string Matrix3::ToText() const {
  std::string out;
  AppendText(out);
  return out;
}

void Matrix3::AppendText(std::string& out) const {
  const double values[] = {a, b, c, d, e, f, g, h, i};
  char buffer[9 * (kMaxNumberLength + 1)];
  char* end = buffer;
  for (int k = 0; k < 9; ++k) {
    if (k > 0) *end++ = ' ';
    end = WriteNumber(end, values[k]);
  }
  out.append(buffer, end);
}

Matrix3 MatrixFromRows(const Point& row1, const Point& row2, const Point& row3) {
  return {row1.x, row1.y, row1.z, row2.x, row2.y, row2.z, row3.x, row3.y, row3.z};
}

Vector Apply(const Matrix3& m, const Vector& v) {
  return {m.a * v.x + m.b * v.y + m.c * v.z, m.d * v.x + m.e * v.y + m.f * v.z,
          m.g * v.x + m.h * v.y + m.i * v.z};
}

Matrix3 Multiply(const Matrix3& m, const Matrix3& n) {
  return {m.a * n.a + m.b * n.d + m.c * n.g, m.a * n.b + m.b * n.e + m.c * n.h,
          m.a * n.c + m.b * n.f + m.c * n.i, m.d * n.a + m.e * n.d + m.f * n.g,
          m.d * n.b + m.e * n.e + m.f * n.h, m.d * n.c + m.e * n.f + m.f * n.i,
          m.g * n.a + m.h * n.d + m.i * n.g, m.g * n.b + m.h * n.e + m.i * n.h,
          m.g * n.c + m.h * n.f + m.i * n.i};
}

double Determinant(const Matrix3& m) {
  return m.a * m.e * m.i + m.b * m.f * m.g + m.c * m.d * m.h - m.c * m.e * m.g -
         m.a * m.f * m.h - m.b * m.d * m.i;
}

}  // namespace halvex
