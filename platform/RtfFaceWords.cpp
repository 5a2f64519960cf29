#include "RtfFaceWords.h"

#include "TextMetrics.h"

namespace oxqr {

TRtfFaceWords RtfFaceWords(const std::string& face) {
  const TDrawnFace drawn = DrawnFace(face);
  if (drawn.FoundByName) return {};
  TRtfFaceWords words;
  switch (drawn.Kind) {
    case TFaceKind::Sans: words.Family = "\\fswiss"; break;
    case TFaceKind::Serif: words.Family = "\\froman"; break;
    case TFaceKind::Mono: words.Family = "\\fmodern"; break;
  }
  // The drawn face here is one of the substitution table's or the fallback: ASCII names.
  words.Alternative = "{\\*\\falt " + drawn.Family + "}";
  return words;
}

}  // namespace oxqr
