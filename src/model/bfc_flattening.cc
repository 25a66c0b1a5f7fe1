#include "model/bfc_flattening.h"

#include <algorithm>

#include "elements/meta_line.h"
#include "model/bfc_state.h"

namespace halvex {
namespace {

constexpr std::string_view kClip = "0 BFC CLIP";
constexpr std::string_view kNoClip = "0 BFC NOCLIP";
constexpr std::string_view kInvertNext = "0 BFC INVERTNEXT";
constexpr std::string_view kCertifyCcw = "0 BFC CERTIFY CCW";
constexpr std::string_view kCertifyCw = "0 BFC CERTIFY CW";

bool IsDrawing(int type) { return type >= kSubfileType && type <= kCondType; }
bool IsPolygon(int type) { return type == kTriangleType || type == kQuadType; }

// The statements said so far, with the state of culling a viewer reads
// from the flat file: the top file's lines as written, then the lines said
// here.
class FlatFile {
 public:
  explicit FlatFile(std::span<const KeptReference> kept) : kept_(kept), nextKept_(kept.begin()) {}

  void Take(const Element& element) { state_.Take(element); }
  // Says `line`, which makes the statement `words`, before element i.
  void Say(int i, std::string_view line, unsigned words) {
    inserted_.push_back({i, line});
    state_.TakeStatement(words);
  }
  // Says BFC CLIP or NOCLIP before element i where CLIP in effect is not
  // `clip`.
  void SayClip(int i, bool clip) {
    if (clip != state_.Clip()) Say(i, clip ? kClip : kNoClip, clip ? kBfcClip : kBfcNoClip);
  }
  // Where the top file was certified as read but its written lines would
  // leave the flat file uncertified (a BFC NOCERTIFY came after drawing
  // lines that were inlined or removed), certifies it again before its first
  // drawing line i, with the winding in effect there.
  void CertifyAsRead(int i, bool certifiedAsRead) {
    if (!certifiedAsRead || state_.Certified()) return;
    bool clockwise = state_.Winding() == -1;
    Say(i, clockwise ? kCertifyCw : kCertifyCcw, kBfcCertify | (clockwise ? kBfcCw : kBfcCcw));
  }

  // The reference kept whole at index i, if it is one; REQUIRES: asked in
  // index order.
  const KeptReference* KeptAt(int i) {
    while (nextKept_ != kept_.end() && nextKept_->index < i) ++nextKept_;
    return nextKept_ != kept_.end() && nextKept_->index == i ? &*nextKept_ : nullptr;
  }

  const BfcState& State() const { return state_; }
  std::vector<InsertedLine> TakeInserted() { return std::move(inserted_); }

 private:
  BfcState state_;
  std::span<const KeptReference> kept_;
  std::span<const KeptReference>::iterator nextKept_;
  std::vector<InsertedLine> inserted_;
};

}  // namespace

std::vector<InsertedLine> FlattenBfc(Model& model, int topSize, const ExpandSummary& expansion) {
  FlatFile flat(expansion.kept);
  bool drawn = false;
  // The top file's own lines stay as written. Certified as read, they are
  // culled in the flat file as in the original. Not certified as read, but
  // certified as written, nothing of theirs may be culled.
  for (int i = 0; i < topSize; ++i) {
    const Element& element = model.ElementAt(i);
    int type = element.LineType();
    if (IsDrawing(type) && !drawn) {
      drawn = true;
      flat.CertifyAsRead(i, expansion.topCertified);
    }
    if (!expansion.topCertified && flat.State().Certified() &&
        (IsPolygon(type) || (type == kSubfileType && flat.KeptAt(i)))) {
      flat.SayClip(i, false);
    }
    flat.Take(element);
  }
  if (!drawn) {
    for (int i = topSize; i < model.Size(); ++i) {
      if (IsDrawing(model.ElementAt(i).LineType())) {
        flat.CertifyAsRead(i, expansion.topCertified);
        break;
      }
    }
  }
  const BfcState& top = flat.State();
  if (!top.Certified()) {
    std::vector<InsertedLine> inserted = flat.TakeInserted();
    for (int i = topSize; i < model.Size(); ++i) {
      const KeptReference* kept = flat.KeptAt(i);
      if (kept && kept->inverted) inserted.push_back({i, kInvertNext});
    }
    return inserted;
  }
  for (int i = topSize; i < model.Size(); ++i) {
    Element& element = model.ElementAt(i);
    int type = element.LineType();
    if (type == kSubfileType) {
      // A reference kept whole says its culling and inversion; one left
      // unexpanded for another reason (not found, a cycle) its inversion.
      const KeptReference* kept = flat.KeptAt(i);
      if (kept) flat.SayClip(i, kept->passesCulling);
      if (kept ? kept->inverted : element.winding == -1) flat.Say(i, kInvertNext, 0);
    }
    if (!IsPolygon(type)) continue;
    flat.SayClip(i, element.culled);
    if (element.culled && element.winding != top.Winding()) {
      element.ReverseWinding();
      element.winding = static_cast<std::int8_t>(top.Winding());
    }
  }
  return flat.TakeInserted();
}

}  // namespace halvex
