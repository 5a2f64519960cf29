#include "MetafileBinary.h"

#include <array>
#include <cstring>
#include <memory>
#include <unordered_map>

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QTextLayout>
#include <QString>

#include "CodePage.h"
#include "TextMetrics.h"

namespace oxqr::metafile {

void TByteBuffer::F32(float v) {
  std::uint32_t bits = 0;
  std::memcpy(&bits, &v, sizeof bits);
  U32(bits);
}

void TByteBuffer::PatchU32(std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

void TByteBuffer::PatchU16(std::size_t at, std::uint16_t v) {
  bytes_[at] = static_cast<char>(v & 0xFF);
  bytes_[at + 1] = static_cast<char>(v >> 8);
}

void LogFontHead(TByteBuffer& out, const TFont& font, bool wide) {
  const auto integer = [&](int v) {
    if (wide)
      out.I32(v);
    else
      out.I16(v);
  };
  integer(-font.PixelHeight(ScreenPPI));
  integer(0);  // width
  integer(0);  // escapement
  integer(0);  // orientation
  integer(font.Style.Has(TFontStyle::fsBold) ? 700 : 400);
  out.U8(font.Style.Has(TFontStyle::fsItalic) ? 1 : 0);
  out.U8(font.Style.Has(TFontStyle::fsUnderline) ? 1 : 0);
  out.U8(font.Style.Has(TFontStyle::fsStrikeOut) ? 1 : 0);
  out.U8(font.Charset);
  out.U8(0);  // OUT_DEFAULT_PRECIS
  out.U8(0);  // CLIP_DEFAULT_PRECIS
  out.U8(0);  // DEFAULT_QUALITY
  out.U8(font.Pitch == TFontPitch::fpFixed ? 1 : font.Pitch == TFontPitch::fpVariable ? 2 : 0);
}

std::uint16_t PenStyleCode(TPenStyle s) {
  switch (s) {
    case TPenStyle::psSolid: return 0;        // PS_SOLID
    case TPenStyle::psDash: return 1;         // PS_DASH
    case TPenStyle::psDot: return 2;          // PS_DOT
    case TPenStyle::psDashDot: return 3;      // PS_DASHDOT
    case TPenStyle::psDashDotDot: return 4;   // PS_DASHDOTDOT
    case TPenStyle::psClear: return 5;        // PS_NULL
    case TPenStyle::psInsideFrame: return 6;  // PS_INSIDEFRAME
  }
  return 0;
}

TBrushCode BrushCode(TBrushStyle s) {
  constexpr std::uint16_t BS_SOLID = 0, BS_NULL = 1, BS_HATCHED = 2;
  switch (s) {
    case TBrushStyle::bsSolid: return {BS_SOLID, 0};
    case TBrushStyle::bsClear: return {BS_NULL, 0};
    case TBrushStyle::bsHorizontal: return {BS_HATCHED, 0};  // HS_HORIZONTAL
    case TBrushStyle::bsVertical: return {BS_HATCHED, 1};    // HS_VERTICAL
    case TBrushStyle::bsFDiagonal: return {BS_HATCHED, 2};   // HS_FDIAGONAL
    case TBrushStyle::bsBDiagonal: return {BS_HATCHED, 3};   // HS_BDIAGONAL
    case TBrushStyle::bsCross: return {BS_HATCHED, 4};       // HS_CROSS
    case TBrushStyle::bsDiagCross: return {BS_HATCHED, 5};   // HS_DIAGCROSS
  }
  return {BS_SOLID, 0};
}

std::uint32_t ColorRef(TColor c) { return static_cast<std::uint32_t>(ColorToRGB(c)) & 0x00FFFFFFu; }

TDib MakeDib24(const QImage& image) {
  // Transparent parts of a picture show white, as on a page that starts white.
  QImage rgb(image.size(), QImage::Format_RGB888);
  rgb.fill(Qt::white);
  if (image.hasAlphaChannel()) {
    QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
      const auto* src = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
      uchar* dst = rgb.scanLine(y);
      for (int x = 0; x < argb.width(); ++x) {
        const int a = qAlpha(src[x]);
        dst[3 * x] = static_cast<uchar>((qRed(src[x]) * a + 255 * (255 - a)) / 255);
        dst[3 * x + 1] = static_cast<uchar>((qGreen(src[x]) * a + 255 * (255 - a)) / 255);
        dst[3 * x + 2] = static_cast<uchar>((qBlue(src[x]) * a + 255 * (255 - a)) / 255);
      }
    }
  } else {
    rgb = image.convertToFormat(QImage::Format_RGB888);
  }

  TDib dib;
  dib.Width = rgb.width();
  dib.Height = rgb.height();
  const int stride = (dib.Width * 3 + 3) / 4 * 4;
  TByteBuffer h;
  h.U32(40);                                  // biSize
  h.I32(dib.Width);
  h.I32(dib.Height);                          // positive: bottom-up rows
  h.U16(1);                                   // biPlanes
  h.U16(24);                                  // biBitCount
  h.U32(0);                                   // BI_RGB
  h.U32(static_cast<std::uint32_t>(stride * dib.Height));
  h.I32(3780);                                // 96 ppi in pixels per metre
  h.I32(3780);
  h.U32(0);
  h.U32(0);
  dib.Header = h.Data();

  dib.Bits.assign(static_cast<std::size_t>(stride) * dib.Height, '\0');
  for (int y = 0; y < dib.Height; ++y) {
    const uchar* src = rgb.constScanLine(dib.Height - 1 - y);
    char* dst = dib.Bits.data() + static_cast<std::size_t>(y) * stride;
    for (int x = 0; x < dib.Width; ++x) {  // RGB -> BGR
      dst[3 * x] = static_cast<char>(src[3 * x + 2]);
      dst[3 * x + 1] = static_cast<char>(src[3 * x + 1]);
      dst[3 * x + 2] = static_cast<char>(src[3 * x]);
    }
  }
  return dib;
}

namespace {

// Advances of the 256 characters of the code page in one font, each measured alone.
class TLoneAdvances {
 public:
  explicit TLoneAdvances(QFont font) : metrics_(font) { known_.fill(false); }
  qreal Of(QChar c, unsigned char byte) {
    if (!known_[byte]) {
      advance_[byte] = metrics_.horizontalAdvance(QString(c));
      known_[byte] = true;
    }
    return advance_[byte];
  }

 private:
  QFontMetricsF metrics_;
  std::array<qreal, 256> advance_{};
  std::array<bool, 256> known_{};
};

// Printable characters of left-to-right scripts without combining marks.
bool SimpleScript(const QString& s) {
  for (const QChar c : s)
    if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0) || c.unicode() >= 0x0590 ||
        (c.unicode() >= 0x0300 && c.unicode() < 0x0370))
      return false;
  return true;
}

TLoneAdvances& LoneAdvances(const TFont& font) {
  static std::unordered_map<std::string, std::unique_ptr<TLoneAdvances>> cache;
  std::string key = font.Name;
  key.push_back('\0');
  key.push_back(static_cast<char>(font.Charset));
  key.push_back(static_cast<char>(font.Pitch));
  key.push_back(static_cast<char>(font.Style.Bits()));
  key.append(std::to_string(font.Size));
  auto& entry = cache[key];
  if (!entry) entry = std::make_unique<TLoneAdvances>(ToQFont(font));
  return *entry;
}

}  // namespace

// The edge after character i is the advance of the first i + 1 characters measured as
// a string of their own. Shaping every prefix costs time square in the length, so the
// text is shaped once: a prefix ends with the glyphs of the whole line up to its last
// character (their kerning against the next glyph included) plus that last character's
// own advance, which has no neighbour to kern with in the prefix. Texts whose glyphs do
// not map one to one onto characters (ligatures, combining marks, characters outside
// the code page) are measured prefix by prefix.
std::vector<int> CharAdvances(const TFont& font, std::string_view text) {
  const QString s = AnsiToQString(text);
  std::vector<int> dx(static_cast<std::size_t>(s.size()), 0);
  if (dx.empty()) return dx;
  const QFont qfont = ToQFont(font);
  std::vector<qreal> edges(dx.size());
  bool oneToOne = s.size() == static_cast<qsizetype>(text.size()) && SimpleScript(s);
  if (oneToOne) {
    QTextLayout layout(s, qfont);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid()) line.setLineWidth(1e9);
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    oneToOne = line.isValid() && line.textLength() == s.size() && runs.size() == 1 &&
               runs.front().glyphIndexes().size() == s.size();
    if (oneToOne) {
      TLoneAdvances& lone = LoneAdvances(font);
      for (qsizetype i = 0; i < s.size(); ++i)
        edges[static_cast<std::size_t>(i)] =
            line.cursorToX(static_cast<int>(i)) + lone.Of(s.at(i), static_cast<unsigned char>(text[i]));
    }
  }
  if (!oneToOne) {
    const QFontMetricsF fm(qfont);
    for (qsizetype i = 0; i < s.size(); ++i) edges[static_cast<std::size_t>(i)] = fm.horizontalAdvance(s.left(i + 1));
  }
  int previous = 0;
  for (std::size_t i = 0; i < dx.size(); ++i) {
    const int edge = static_cast<int>(RoundHalfEven(edges[i]));
    dx[i] = edge - previous;
    previous = edge;
  }
  // The whole run ends where TextExtent says it does.
  dx.back() += TextExtent(font, text).cx - previous;
  return dx;
}

}  // namespace oxqr::metafile
