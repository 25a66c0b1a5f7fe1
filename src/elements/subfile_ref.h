// A line of type 1: a reference that places another LDraw file with a colour,
// an offset and a matrix. In the plane operations it is the single point of
// its offset; its content is reached only by expanding it.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "elements/coloured_element.h"

namespace halvex {

class SubfileRef final : public ColouredElement {
 public:
  // From the whole line: type, colour, offset, the matrix rows, then the name
  // (the rest of the line after white space, inner and trailing blanks kept).
  // A number that cannot be read ends the reading: it and every later field
  // stay 0, and the name stays empty. The reference keeps a view of the
  // name, so `line` must outlive it.
  explicit SubfileRef(std::string_view line);

  const Point& Position() const { return position_; }
  const Matrix3& Placement() const { return matrix_; }
  std::string_view Name() const { return name_; }

  void AppendText(std::string& out) const override;
  int LineType() const override { return kSubfileType; }
  // Moves the offset only.
  void Translate(const Vector& offset) override;
  // offset := m * offset, matrix := m * matrix.
  void Transform(const Matrix3& m) override;
  // The offset alone, so a reference is never across.
  std::span<Point> ClassifiedPoints() override { return std::span<Point>(&position_, 1); }

 private:
  Point position_;
  Matrix3 matrix_;
  std::string_view name_;
};

}  // namespace halvex
