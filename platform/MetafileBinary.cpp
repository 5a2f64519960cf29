#include "MetafileBinary.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <unordered_map>

#include <QFontMetricsF>
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
  integer(font.Orientation);  // escapement: the direction of the line
  integer(font.Orientation);  // orientation: the glyphs turn with it
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

namespace {

TDib NewDib24(const QImage& image) {
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

}  // namespace

std::shared_ptr<const TDib> MakeDib24(const QImage& image) {
  constexpr std::size_t kKept = 4;
  constexpr qsizetype kLargest = qsizetype{1} << 20;  // larger pictures are not kept
  static std::vector<std::pair<qint64, std::shared_ptr<const TDib>>> recent;
  const qint64 key = image.cacheKey();
  const auto hit = std::find_if(recent.begin(), recent.end(), [key](const auto& e) { return e.first == key; });
  if (hit != recent.end()) {
    std::rotate(recent.begin(), hit, hit + 1);
    return recent.front().second;
  }
  auto dib = std::make_shared<const TDib>(NewDib24(image));
  if (image.sizeInBytes() <= kLargest) {
    if (recent.size() == kKept) recent.pop_back();
    recent.insert(recent.begin(), {key, dib});
  }
  return dib;
}

namespace {

// Advances in one font measured once and kept: each of the 256 characters of the code
// page alone, and the kerning of each pair met so far (the pair's advance less both
// characters' own), in rows made when their first character is met.
class TFontAdvances {
 public:
  explicit TFontAdvances(const QFont& font) : metrics_(font) { alone_.fill(kUnknown); }
  qreal Alone(std::uint8_t byte, QChar c) {
    qreal& a = alone_[byte];
    if (a == kUnknown) a = metrics_.horizontalAdvance(QString(c));
    return a;
  }
  qreal Kerning(std::uint8_t a, QChar ca, std::uint8_t b, QChar cb) {
    auto& row = kerning_[a];
    if (!row) {
      row = std::make_unique<std::array<qreal, 256>>();
      row->fill(kUnknown);
    }
    qreal& k = (*row)[b];
    if (k == kUnknown) {
      const QChar pair[2] = {ca, cb};
      k = metrics_.horizontalAdvance(QString(pair, 2)) - Alone(a, ca) - Alone(b, cb);
    }
    return k;
  }

 private:
  static constexpr qreal kUnknown = -1e30;
  QFontMetricsF metrics_;
  std::array<qreal, 256> alone_{};
  std::array<std::unique_ptr<std::array<qreal, 256>>, 256> kerning_{};
};

TFontAdvances& FontAdvances(const TFont& font) {
  static std::unordered_map<std::string, std::unique_ptr<TFontAdvances>> cache;
  static TFont lastFont;
  static TFontAdvances* last = nullptr;
  if (last != nullptr && font == lastFont) return *last;  // texts come in runs of one font
  std::string key = font.Name;
  key.push_back('\0');
  key.push_back(static_cast<char>(font.Charset));
  key.push_back(static_cast<char>(font.Pitch));
  key.push_back(static_cast<char>(font.Style.Bits()));
  key.append(std::to_string(font.Size));
  auto& entry = cache[key];
  if (!entry) entry = std::make_unique<TFontAdvances>(ToQFont(font));
  lastFont = font;
  last = entry.get();
  return *last;
}

// Printable characters of left-to-right scripts without combining marks: text that the
// shaper lays out as single characters with kerning between neighbours.
bool SimpleScript(const QString& s) {
  for (const QChar c : s) {
    const char16_t u = c.unicode();
    if (u < 0x20 || (u >= 0x7F && u < 0xA0) || (u >= 0x0300 && u < 0x0370) || u >= 0x0590) return false;
  }
  return true;
}

// Edges from the kept advances: a prefix's own measurement is its characters' advances
// with the kerning between neighbours inside it. False when the whole text does not end
// where TextExtent measured it (the shaper did more than kern pairs).
bool KernedEdges(const TFont& font, std::string_view text, const QString& s, int extent, std::vector<qreal>& edges) {
  if (s.size() != static_cast<qsizetype>(text.size()) || !SimpleScript(s)) return false;
  TFontAdvances& advances = FontAdvances(font);
  qreal before = 0;  // the prefix before character i, kerned against character i
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<std::uint8_t>(text[i]);
    const QChar c = s.at(static_cast<qsizetype>(i));
    const qreal alone = advances.Alone(byte, c);
    edges[i] = before + alone;
    if (i + 1 < text.size()) {
      const auto next = static_cast<std::uint8_t>(text[i + 1]);
      before += alone + advances.Kerning(byte, c, next, s.at(static_cast<qsizetype>(i + 1)));
    }
  }
  return static_cast<int>(RoundHalfEven(edges.back())) == extent;
}

}  // namespace

// The edge after character i is where the first i + 1 characters end when measured as
// a string of their own. Shaping every prefix costs time square in the length; for
// ordinary text the edges come from advances and pair kernings kept per font, checked
// against the whole text's extent, and other text is measured prefix by prefix.
std::vector<int> CharAdvances(const TFont& font, std::string_view text) {
  const QString s = AnsiToQString(text);
  std::vector<int> dx(static_cast<std::size_t>(s.size()), 0);
  if (dx.empty()) return dx;
  const int extent = TextExtent(font, text).cx;
  std::vector<qreal> edges(dx.size());
  if (!KernedEdges(font, text, s, extent, edges)) {
    const QFontMetricsF fm(ToQFont(font));
    for (qsizetype i = 0; i < s.size(); ++i) edges[static_cast<std::size_t>(i)] = fm.horizontalAdvance(s.left(i + 1));
  }
  int previous = 0;
  for (std::size_t i = 0; i < dx.size(); ++i) {
    const int edge = static_cast<int>(RoundHalfEven(edges[i]));
    dx[i] = edge - previous;
    previous = edge;
  }
  // The whole run ends where TextExtent says it does.
  dx.back() += extent - previous;
  return dx;
}

}  // namespace oxqr::metafile
