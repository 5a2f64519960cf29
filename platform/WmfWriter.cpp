// Writes a recorded page as a placeable Windows metafile: the 22-byte placeable header,
// the metafile header, the anisotropic mapping of the page's pixels, then per drawing
// record the objects it needs (created only when they change), the call, and META_EOF.
#include <algorithm>

#include "GdiRecordWriter.h"
#include "MetafileBinary.h"
#include "MetafileFiles.h"
#include "Streams.h"
#include "CodePage.h"
#include "TextMetrics.h"

namespace oxqr {
namespace {

using metafile::TByteBuffer;

// Function numbers (the low byte is the record type, the high byte the parameter words).
constexpr std::uint16_t META_EOF = 0x0000;
constexpr std::uint16_t META_SETBKCOLOR = 0x0201;
constexpr std::uint16_t META_SETBKMODE = 0x0102;
constexpr std::uint16_t META_SETMAPMODE = 0x0103;
constexpr std::uint16_t META_SETTEXTCOLOR = 0x0209;
constexpr std::uint16_t META_SETWINDOWORG = 0x020B;
constexpr std::uint16_t META_SETWINDOWEXT = 0x020C;
constexpr std::uint16_t META_LINETO = 0x0213;
constexpr std::uint16_t META_MOVETO = 0x0214;
constexpr std::uint16_t META_ELLIPSE = 0x0418;
constexpr std::uint16_t META_RECTANGLE = 0x041B;
constexpr std::uint16_t META_SELECTOBJECT = 0x012D;
constexpr std::uint16_t META_SETTEXTALIGN = 0x012E;
constexpr std::uint16_t META_DELETEOBJECT = 0x01F0;
constexpr std::uint16_t META_CREATEPENINDIRECT = 0x02FA;
constexpr std::uint16_t META_CREATEFONTINDIRECT = 0x02FB;
constexpr std::uint16_t META_CREATEBRUSHINDIRECT = 0x02FC;
constexpr std::uint16_t META_EXTTEXTOUT = 0x0A32;
constexpr std::uint16_t META_STRETCHDIB = 0x0F43;

constexpr std::uint16_t MM_ANISOTROPIC = 8;
constexpr std::uint16_t TRANSPARENT = 1;
constexpr std::uint16_t TA_TOP_LEFT = 0;
constexpr std::uint16_t ETO_OPAQUE = 2;
constexpr std::uint16_t ETO_CLIPPED = 4;
constexpr std::uint32_t SRCCOPY = 0x00CC0020;
constexpr std::uint32_t PlaceableKey = 0x9AC6CDD7;
constexpr int PlaceableSize = 22;
constexpr int MetaHeaderSize = 18;

class TWmfEncoder : metafile::TGdiRecordWriter<TWmfEncoder> {
 public:
  explicit TWmfEncoder(const TMetafile& mf) : TGdiRecordWriter(0), mf_(mf) {}

  std::string Encode() {
    out_.Zeros(PlaceableSize + MetaHeaderSize);  // written last, when the sizes are known
    Record16(META_SETMAPMODE, {MM_ANISOTROPIC});
    Record16(META_SETWINDOWORG, {0, 0});
    Record16(META_SETWINDOWEXT, {static_cast<std::uint16_t>(mf_.Height), static_cast<std::uint16_t>(mf_.Width)});
    Record16(META_SETTEXTALIGN, {TA_TOP_LEFT});
    Record16(META_SETBKMODE, {TRANSPARENT});
    WriteRecords(mf_);
    const auto at = Begin(META_EOF);
    End(at);
    WriteHeaders();
    return out_.Take();
  }

 private:
  friend TGdiRecordWriter;

  std::size_t Begin(std::uint16_t function) {
    const std::size_t at = out_.Size();
    out_.U32(0);
    out_.U16(function);
    return at;
  }
  void End(std::size_t at) {
    out_.PadTo(2);
    const auto words = static_cast<std::uint32_t>((out_.Size() - at) / 2);
    out_.PatchU32(at, words);
    maxRecord_ = std::max(maxRecord_, words);
  }
  void Record16(std::uint16_t function, std::initializer_list<std::uint16_t> params) {
    const auto at = Begin(function);
    for (auto p : params) out_.U16(p);
    End(at);
  }
  // A box as the drawing records take it: bottom, right, top, left.
  void Box(std::uint16_t function, const TRect& r) {
    const auto at = Begin(function);
    out_.I16(r.Bottom);
    out_.I16(r.Right);
    out_.I16(r.Top);
    out_.I16(r.Left);
    End(at);
  }

  void SelectObject(std::uint32_t slot) { Record16(META_SELECTOBJECT, {static_cast<std::uint16_t>(slot)}); }
  void DeleteObject(std::uint32_t slot) { Record16(META_DELETEOBJECT, {static_cast<std::uint16_t>(slot)}); }
  void TextColor(std::uint32_t ref) { Color(META_SETTEXTCOLOR, ref); }
  void BkColor(std::uint32_t ref) { Color(META_SETBKCOLOR, ref); }
  void Color(std::uint16_t function, std::uint32_t ref) {
    const auto at = Begin(function);
    out_.U32(ref);
    End(at);
  }

  // The object table slot is implied: a new object takes the lowest free one.
  void CreatePen(std::uint32_t, const TPen& pen) {
    const auto at = Begin(META_CREATEPENINDIRECT);
    out_.U16(metafile::PenStyleCode(pen.Style));
    out_.I16(std::max(pen.Width, 1));
    out_.I16(0);
    out_.U32(metafile::ColorRef(pen.Color));
    End(at);
  }

  void CreateBrush(std::uint32_t, const TBrush& brush) {
    const auto code = metafile::BrushCode(brush.Style);
    const auto at = Begin(META_CREATEBRUSHINDIRECT);
    out_.U16(code.Style);
    out_.U32(metafile::ColorRef(brush.Color));
    out_.U16(code.Hatch);
    End(at);
  }

  void CreateFont(std::uint32_t, const TFont& font) {
    const auto at = Begin(META_CREATEFONTINDIRECT);
    metafile::LogFontHead(out_, font, false);
    std::string face = font.Name.substr(0, 31);
    face.resize(32, '\0');
    out_.Bytes(face);
    End(at);
  }

  void DrawText(const MrText& t) {
    SelectFont(t.Font);
    SetTextColor(t.Font.Color);
    std::uint16_t options = 0;
    TRect rect{};
    if (t.Clipped) {
      options |= ETO_CLIPPED;
      rect = t.Clip;
    } else if (t.Opaque) {
      rect = TextBounds(t);
    }
    if (t.Opaque) {
      options |= ETO_OPAQUE;
      SetBkColor(t.BackColor);
    }
    const auto dx = metafile::CharAdvances(t.Font, t.Text);
    // The format holds 8-bit text only: the Unicode mode's text goes into a code page.
    const std::string text = ToEightBitText(t.Text);
    const auto at = Begin(META_EXTTEXTOUT);
    out_.I16(t.Y);
    out_.I16(t.X);
    out_.U16(static_cast<std::uint16_t>(text.size()));
    out_.U16(options);
    if (options != 0) {
      out_.I16(rect.Left);
      out_.I16(rect.Top);
      out_.I16(rect.Right);
      out_.I16(rect.Bottom);
    }
    out_.Bytes(text);
    out_.PadTo(2);
    // One advance per byte; a multi-byte code page would not line up, so it goes without.
    if (dx.size() == text.size())
      for (int d : dx) out_.I16(d);
    End(at);
  }

  void DrawRectangle(const TRect& r) { Box(META_RECTANGLE, r); }
  void DrawEllipse(const TRect& r) { Box(META_ELLIPSE, r); }
  void DrawLine(TPoint from, TPoint to) {
    Record16(META_MOVETO, {static_cast<std::uint16_t>(from.Y), static_cast<std::uint16_t>(from.X)});
    Record16(META_LINETO, {static_cast<std::uint16_t>(to.Y), static_cast<std::uint16_t>(to.X)});
  }

  void DrawBitmap(const MrBitmap& b) {
    const auto shared = metafile::MakeDib24(*b.Image);
    const metafile::TDib& dib = *shared;
    const auto at = Begin(META_STRETCHDIB);
    out_.U32(SRCCOPY);
    out_.U16(0);  // DIB_RGB_COLORS
    out_.I16(dib.Height);
    out_.I16(dib.Width);
    out_.I16(0);  // ySrc
    out_.I16(0);  // xSrc
    out_.I16(b.Dest.Height());
    out_.I16(b.Dest.Width());
    out_.I16(b.Dest.Top);
    out_.I16(b.Dest.Left);
    out_.Bytes(dib.Header);
    out_.Bytes(dib.Bits);
    End(at);
  }

  void WriteHeaders() {
    TByteBuffer p;
    p.U32(PlaceableKey);
    p.U16(0);  // hmf
    p.I16(0);  // bounding box at 96 units per inch: the page in pixels
    p.I16(0);
    p.I16(mf_.Width);
    p.I16(mf_.Height);
    p.U16(ScreenPPI);
    p.U32(0);  // reserved
    std::uint16_t checksum = 0;
    for (int i = 0; i < 10; ++i)
      checksum ^= static_cast<std::uint16_t>(static_cast<unsigned char>(p.Data()[2 * i]) |
                                             (static_cast<unsigned char>(p.Data()[2 * i + 1]) << 8));
    p.U16(checksum);

    TByteBuffer h;
    h.U16(1);  // in memory
    h.U16(MetaHeaderSize / 2);
    h.U16(0x0300);
    h.U32(static_cast<std::uint32_t>((out_.Size() - PlaceableSize) / 2));
    h.U16(static_cast<std::uint16_t>(ObjectTableSize()));
    h.U32(maxRecord_);
    h.U16(0);
    out_.PatchBytes(0, p.Data() + h.Data());
  }

  const TMetafile& mf_;
  TByteBuffer out_;
  std::uint32_t maxRecord_ = 0;
};

}  // namespace

void WriteWMF(const TMetafile& mf, TStream& out) {
  const std::string bytes = TWmfEncoder(mf).Encode();
  out.Write(bytes.data(), bytes.size());
}

}  // namespace oxqr
