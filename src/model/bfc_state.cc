#include "model/bfc_state.h"

#include "elements/element.h"
#include "elements/meta_line.h"

namespace halvex {

void BfcState::Take(const Element& element) {
  int type = element.LineType();
  if (type == kMetaType) {
    TakeStatement(BfcWordsOf(static_cast<const MetaLine&>(element).Text()));
    return;
  }
  if (type < kSubfileType || type > kCondType) return;
  drawn_ = true;
  if (type == kSubfileType) {
    lastInverted_ = invertNext_;
    invertNext_ = false;
  }
}

void BfcState::TakeStatement(unsigned words) {
  if (words == 0) return;
  if (!drawn_ && (words & (kBfcCertify | kBfcNoCertify))) {
    certified_ = (words & kBfcCertify) != 0 && (words & kBfcNoCertify) == 0;
  }
  if (words & kBfcCcw) {
    clockwise_ = false;
  } else if (words & kBfcCw) {
    clockwise_ = true;
  } else if (words & kBfcCertify) {
    clockwise_ = false;
  }
  if (words & kBfcClip) {
    clip_ = true;
  } else if (words & kBfcNoClip) {
    clip_ = false;
  }
  if (words & kBfcInvertNext) invertNext_ = true;
}

}  // namespace halvex
