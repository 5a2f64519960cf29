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
#include "platform/FontCoverage.h"

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
  int Span = -1;        // index in the line's Spans when the glyph shows part of one
};

// A missing-glyph box: what the page draws for a character no installed face could draw.
// Thousandths of the font size from the line's start and baseline (up).
struct TMissingBox {
  double Left = 0, Bottom = 0, Width = 0, Height = 0;
};

struct TShapedLine {
  std::vector<TShapedGlyph> Glyphs;  // in the order of the characters they show
  // The text of runs of glyphs that do not show one character each (reordered vowel
  // signs, ligatures, conjuncts): readers take it instead of the glyphs' own (/ActualText).
  std::vector<std::u16string> Spans;
  std::vector<TMissingBox> Boxes;
  double Width = 0;  // where the last glyph or box ends
};

class TType0FontSet final {
 public:
  TType0FontSet();
  ~TType0FontSet();
  TType0FontSet(const TType0FontSet&) = delete;
  TType0FontSet& operator=(const TType0FontSet&) = delete;

  // The glyphs Qt draws `utf8` with in `font`, placed as the page draws them (the line's
  // direction taken from its first strong character), listed in the order of the
  // characters they show (right-to-left text as it was written, so that readers give it
  // back so); registers their faces and what they show. Characters that no face could
  // draw become boxes and are counted in MissingFonts(). Object numbers of new faces come
  // from `filter`.
  TShapedLine Shape(const TFont& font, std::string_view utf8, TOxQRPDFFilter& filter);
  // The operators inside BT/ET that show `line`'s glyphs at `size` points, starting at the
  // current text position and spread by the character spacing (Tc, already set) per glyph;
  // spans are marked content with their /ActualText.
  std::string ShowGlyphs(const TShapedLine& line, int size) const;
  // The characters shaped so far that no installed face could draw.
  const TMissingFontTally& MissingFonts() const { return missing_; }

  bool Empty() const;
  // "/U<i> N 0 R" CR LF per font, for the /Font resources.
  std::string ResourceEntries() const;
  // Writes every font's objects (Type 0, CID font, descriptor, program, ToUnicode).
  void WriteObjects(TOxQRPDFFilter& filter);

  struct TFace;

 private:
  int FaceIndex(const QRawFont& raw, TOxQRPDFFilter& filter);
  void ShapeComplex(const QFont& layoutFont, const QString& text, TOxQRPDFFilter& filter, TShapedLine& line);
  struct TDrawn;
  struct TChar;
  static std::vector<std::size_t> ClusterStarts(const std::vector<TChar>& chars, std::vector<long>& owner);
  std::vector<std::size_t> OwnCharacters(const QString& text, const std::vector<TChar>& chars, std::size_t from,
                                         std::size_t to, const std::vector<std::size_t>& glyphs,
                                         const std::vector<TDrawn>& drawn) const;
  std::vector<std::size_t> MapRightToLeftGlyphs(const QString& text, const std::vector<TChar>& chars, std::size_t from,
                                                std::size_t to, const std::vector<std::size_t>& glyphs,
                                                const std::vector<TDrawn>& drawn);
  std::vector<std::size_t> MapSpanGlyphs(const QString& text, const std::vector<TChar>& chars, std::size_t from,
                                         std::size_t to, const std::vector<std::size_t>& glyphs,
                                         const std::vector<TDrawn>& drawn);
  TMissingFontTally missing_;
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
