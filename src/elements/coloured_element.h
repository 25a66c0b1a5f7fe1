// The base of the line types that carry a colour (types 1 to 5): the colour
// and the colour operations, alike for all of them.
#pragma once

#include "elements/colour.h"
#include "elements/element.h"

namespace halvex {

class ColouredElement : public Element {
 public:
  const Colour& GetColour() const { return colour_; }
  void SetColour(int colour) final { colour_ = Colour(colour); }
  // Takes `colour` when this element has colour 16.
  void InheritColour(const Colour& colour) final {
    if (colour_.Number() == kMainColour) colour_ = colour;
  }

 protected:
  ColouredElement() = default;
  explicit ColouredElement(const Colour& colour) : colour_(colour) {}
  ColouredElement(const ColouredElement&) = default;

  Colour colour_;
};

}  // namespace halvex
