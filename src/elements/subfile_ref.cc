#include "elements/subfile_ref.h"

#include "geometry/number_text.h"

namespace halvex {

SubfileRef::SubfileRef(std::string_view line) {
  std::size_t pos = SkipToken(line, 0);
  colour_ = Colour::Parse(line, &pos);
  Point rows[3];
  for (Point* point : {&position_, &rows[0], &rows[1], &rows[2]}) {
    pos = point->Parse(line, pos);
    if (pos == std::string_view::npos) break;
  }
  matrix_ = MatrixFromRows(rows[0], rows[1], rows[2]);
  if (pos == std::string_view::npos) return;
  name_ = line.substr(SkipSpace(line, pos));
}

void SubfileRef::AppendText(std::string& out) const {
  out.append("1 ");
  colour_.AppendText(out);
  out.push_back(' ');
  position_.AppendText(out);
  out.push_back(' ');
  matrix_.AppendText(out);
  out.push_back(' ');
  out.append(name_);
}

void SubfileRef::Translate(const Vector& offset) { position_ = Add(position_, offset); }

void SubfileRef::Transform(const Matrix3& m) {
  position_ = Apply(m, position_);
  matrix_ = Multiply(m, matrix_);
}

}  // namespace halvex
