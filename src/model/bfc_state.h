// How back-face culling stands at each line of one LDraw file, as the file's
// BFC statements leave it, read line by line from the top.
#pragma once

namespace halvex {

class Element;

// A file is certified when, of the BFC CERTIFY and NOCERTIFY statements
// before its first drawing line (types 1 to 5), the last one is a CERTIFY
// (the file reads top-down, so a later statement overrides an earlier one);
// one after that line certifies nothing, and undoes nothing. Its polygons
// wind counter-clockwise until a statement says CW (CERTIFY CW included) and
// again after one says CCW (or CERTIFY alone); CLIP is in effect until a
// statement says NOCLIP and again after one says CLIP. A BFC INVERTNEXT
// applies to the next reference of the same file, whatever lies between; at
// the end of the file it applies to nothing.
class BfcState {
 public:
  // Moves past `element`, a line of the file: a statement changes the state,
  // a drawing line ends the part where the file can be certified, and a
  // reference takes a pending BFC INVERTNEXT. Other elements change nothing.
  void Take(const Element& element);
  // Moves past the statement whose keywords are `words` (see BfcWordsOf).
  void TakeStatement(unsigned words);

  bool Certified() const { return certified_; }
  // Whether polygons here are culled, and references here pass culling on:
  // the file is certified and CLIP is in effect.
  bool Culls() const { return certified_ && clip_; }
  bool Clip() const { return clip_; }
  // +1 while polygons wind counter-clockwise, -1 while clockwise.
  int Winding() const { return clockwise_ ? -1 : 1; }
  // Whether the last reference taken was inverted by a BFC INVERTNEXT.
  bool LastReferenceInverted() const { return lastInverted_; }
  // Whether a BFC INVERTNEXT waits for a reference.
  bool InversionPending() const { return invertNext_; }

 private:
  bool drawn_ = false;
  bool certified_ = false;
  bool clockwise_ = false;
  bool clip_ = true;
  bool invertNext_ = false;
  bool lastInverted_ = false;
};

}  // namespace halvex
