#pragma once
// The fonts of the Unicode mode: one Type 0 font (Identity-H over a CIDFontType2 whose CIDs
// are glyph ids) per face that Qt's layout drew with, fallback faces included. A text line
// is shaped by Qt as the page picture draws it and written as those glyphs at their
// positions; each font is embedded as a subset and maps its glyphs back to the characters
// they show (/ToUnicode), so that the text can be searched and copied.
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QFont>
#include <QRawFont>

#include "platform/Font.h"

namespace oxqr {

class TOxQRPDFFilter;

namespace pdf {

// A glyph of a shaped line. Positions and advances are thousandths of the font size.
struct TShapedGlyph {
  int Face = 0;         // index in the set's faces
  unsigned Glyph = 0;   // glyph id = CID
  double X = 0;         // from the start of the line
  double Rise = 0;      // above the baseline
  double Advance = 0;
};

class TType0FontSet final {
 public:
  TType0FontSet();
  ~TType0FontSet();
  TType0FontSet(const TType0FontSet&) = delete;
  TType0FontSet& operator=(const TType0FontSet&) = delete;

  // The glyphs Qt draws `utf8` with in `font`, in the order of the characters they show
  // (right-to-left text as it was written, so that readers give it back so); registers
  // their faces and what they show. Object numbers of new faces come from `filter`.
  std::vector<TShapedGlyph> Shape(const TFont& font, std::string_view utf8, TOxQRPDFFilter& filter);
  // The operators inside BT/ET that show `glyphs` at `size` points, starting at the current
  // text position and spread by `charSpacing` (Tc, already set) per glyph.
  std::string ShowGlyphs(const std::vector<TShapedGlyph>& glyphs, int size) const;

  bool Empty() const;
  // "/U<i> N 0 R" CR LF per font, for the /Font resources.
  std::string ResourceEntries() const;
  // Writes every font's objects (Type 0, CID font, descriptor, program, ToUnicode).
  void WriteObjects(TOxQRPDFFilter& filter);

  struct TFace;

 private:
  int FaceIndex(const QRawFont& raw, TOxQRPDFFilter& filter);
  std::vector<std::unique_ptr<TFace>> faces_;
  std::map<std::string, int> faceIndex_;
  struct TPrimary {
    QFont Font;  // the layout font, at 1000 pixels per em
    QRawFont Raw;
    int Face = 0;
  };
  std::map<std::string, TPrimary> primary_;  // face name and style -> layout font and face
};

// The ToUnicode CMap of glyph ids -> UTF-16 text.
std::string ToUnicodeCMap(const std::map<unsigned, std::u16string>& map);
// The /W array of glyph ids -> widths: runs of consecutive ids share one bracket.
std::string CidWidths(const std::map<unsigned, int>& widths);

}  // namespace pdf
}  // namespace oxqr
