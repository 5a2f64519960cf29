#pragma once
// What an RTF font table says beside a face's name so that a reader lacking the face finds
// the one that drew the text: its family word and the drawn face as the alternative name.
#include <string>

namespace oxqr {

struct TRtfFaceWords {
  std::string Family;       // "\fswiss", "\froman" or "\fmodern"; empty when not needed
  std::string Alternative;  // "{\*\falt DejaVu Sans Condensed}"; empty when not needed
  bool Empty() const { return Family.empty() && Alternative.empty(); }
};

// Empty words when readers find the drawn face under `face` itself (Arial, or an installed
// face); otherwise the drawn face's family word and name ("Impact" -> "\fswiss" and
// "{\*\falt DejaVu Sans Condensed}").
TRtfFaceWords RtfFaceWords(const std::string& face);

}  // namespace oxqr
