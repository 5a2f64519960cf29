// Writes a recorded page as an enhanced metafile: the header, then per drawing record
// the objects it needs (created only when they change), the drawing call, and EMR_EOF.
#include <algorithm>

#include <QString>

#include "CodePage.h"
#include "GdiRecordWriter.h"
#include "MetafileBinary.h"
#include "MetafileFiles.h"
#include "Streams.h"
#include "TextMetrics.h"

namespace oxqr {
namespace {

using metafile::TByteBuffer;

// Record types.
constexpr std::uint32_t EMR_HEADER = 1;
constexpr std::uint32_t EMR_EOF = 14;
constexpr std::uint32_t EMR_SETBKMODE = 18;
constexpr std::uint32_t EMR_SETTEXTALIGN = 22;
constexpr std::uint32_t EMR_SETTEXTCOLOR = 24;
constexpr std::uint32_t EMR_SETBKCOLOR = 25;
constexpr std::uint32_t EMR_MOVETOEX = 27;
constexpr std::uint32_t EMR_SELECTOBJECT = 37;
constexpr std::uint32_t EMR_CREATEPEN = 38;
constexpr std::uint32_t EMR_CREATEBRUSHINDIRECT = 39;
constexpr std::uint32_t EMR_DELETEOBJECT = 40;
constexpr std::uint32_t EMR_ELLIPSE = 42;
constexpr std::uint32_t EMR_RECTANGLE = 43;
constexpr std::uint32_t EMR_LINETO = 54;
constexpr std::uint32_t EMR_STRETCHDIBITS = 81;
constexpr std::uint32_t EMR_EXTCREATEFONTINDIRECTW = 82;
constexpr std::uint32_t EMR_EXTTEXTOUTW = 84;

constexpr std::uint32_t TRANSPARENT = 1;
constexpr std::uint32_t TA_TOP_LEFT = 0;  // TA_TOP | TA_LEFT | TA_NOUPDATECP
constexpr std::uint32_t ETO_OPAQUE = 2;
constexpr std::uint32_t ETO_CLIPPED = 4;
constexpr std::uint32_t GM_COMPATIBLE = 1;
constexpr std::uint32_t SRCCOPY = 0x00CC0020;
// Stock objects selected before the last objects are deleted.
constexpr std::uint32_t STOCK_WHITE_BRUSH = 0x80000000;
constexpr std::uint32_t STOCK_BLACK_PEN = 0x80000007;
constexpr std::uint32_t STOCK_SYSTEM_FONT = 0x8000000D;

// The reference device: 1920 x 1080 pixels at 96 pixels per inch.
constexpr int DeviceWidthPx = 1920;
constexpr int DeviceHeightPx = 1080;
constexpr int DeviceWidthUm = 508000;   // 20 in
constexpr int DeviceHeightUm = 285750;  // 11.25 in
constexpr int HeaderSize = 108;         // EMR_HEADER with both header extensions

// Pixels at 96 ppi to 0.01 mm.
int ToHundredthMM(int px) { return static_cast<int>(RoundHalfEven(px * 2540.0 / ScreenPPI)); }

class TEmfEncoder : metafile::TGdiRecordWriter<TEmfEncoder> {
 public:
  // Slot 0 of the object table stands for the metafile itself.
  explicit TEmfEncoder(const TMetafile& mf) : TGdiRecordWriter(1), mf_(mf) {}

  std::string Encode() {
    out_.Zeros(HeaderSize);  // written last, when the counts are known
    records_ = 1;
    Simple(EMR_SETTEXTALIGN, TA_TOP_LEFT);
    Simple(EMR_SETBKMODE, TRANSPARENT);
    WriteRecords(mf_);
    ReleaseObjects(STOCK_SYSTEM_FONT, STOCK_BLACK_PEN, STOCK_WHITE_BRUSH);
    WriteEof();
    WriteHeader();
    return out_.Take();
  }

 private:
  friend TGdiRecordWriter;

  std::size_t Begin(std::uint32_t type) {
    const std::size_t at = out_.Size();
    out_.U32(type);
    out_.U32(0);
    return at;
  }
  void End(std::size_t at) {
    out_.PadTo(4);
    out_.PatchU32(at + 4, static_cast<std::uint32_t>(out_.Size() - at));
    ++records_;
  }
  void Simple(std::uint32_t type, std::uint32_t value) {
    const auto at = Begin(type);
    out_.U32(value);
    End(at);
  }
  void Rect(const TRect& r) {
    out_.I32(r.Left);
    out_.I32(r.Top);
    out_.I32(r.Right);
    out_.I32(r.Bottom);
  }
  void Box(std::uint32_t type, const TRect& r) {
    const auto at = Begin(type);
    Rect(r);
    End(at);
  }

  void SelectObject(std::uint32_t slot) { Simple(EMR_SELECTOBJECT, slot); }
  void DeleteObject(std::uint32_t slot) { Simple(EMR_DELETEOBJECT, slot); }
  void TextColor(std::uint32_t ref) { Simple(EMR_SETTEXTCOLOR, ref); }
  void BkColor(std::uint32_t ref) { Simple(EMR_SETBKCOLOR, ref); }

  void CreatePen(std::uint32_t slot, const TPen& pen) {
    const auto at = Begin(EMR_CREATEPEN);
    out_.U32(slot);
    out_.U32(metafile::PenStyleCode(pen.Style));
    out_.I32(std::max(pen.Width, 1));  // lopnWidth.x; .y unused
    out_.I32(0);
    out_.U32(metafile::ColorRef(pen.Color));
    End(at);
  }

  void CreateBrush(std::uint32_t slot, const TBrush& brush) {
    const auto code = metafile::BrushCode(brush.Style);
    const auto at = Begin(EMR_CREATEBRUSHINDIRECT);
    out_.U32(slot);
    out_.U32(code.Style);
    out_.U32(metafile::ColorRef(brush.Color));
    out_.U32(code.Hatch);
    End(at);
  }

  void CreateFont(std::uint32_t slot, const TFont& font) {
    const auto at = Begin(EMR_EXTCREATEFONTINDIRECTW);
    out_.U32(slot);
    metafile::LogFontHead(out_, font, true);  // LOGFONTW
    const QString face = AnsiToQString(font.Name).left(31);
    for (int i = 0; i < 32; ++i) out_.U16(i < face.size() ? face.at(i).unicode() : 0);
    // The rest of a LogFontPanose (full name, style, version, ... panose), all zero, so
    // that readers which expect the long form find it.
    out_.Zeros(320 - 92);
    End(at);
  }

  void DrawText(const MrText& t) {
    SelectFont(t.Font);
    SetTextColor(t.Font.Color);
    const TRect box = TextBounds(t);
    std::uint32_t options = 0;
    TRect rect{};
    if (t.Clipped) {
      options |= ETO_CLIPPED;
      rect = t.Clip;
    } else if (t.Opaque) {
      rect = box;
    }
    if (t.Opaque) {
      options |= ETO_OPAQUE;
      SetBkColor(t.BackColor);
    }
    const QString text = AnsiToQString(t.Text);
    const auto dx = metafile::CharAdvances(t.Font, t.Text);
    const auto n = static_cast<std::uint32_t>(text.size());
    constexpr std::uint32_t offString = 76;
    const std::uint32_t offDx = offString + (n * 2 + 3) / 4 * 4;

    const auto at = Begin(EMR_EXTTEXTOUTW);
    Rect(TRect{box.Left, box.Top, box.Right - 1, box.Bottom - 1});  // rclBounds, inclusive
    out_.U32(GM_COMPATIBLE);
    out_.F32(static_cast<float>(2540.0 / ScreenPPI));  // exScale: pixels to 0.01 mm
    out_.F32(static_cast<float>(2540.0 / ScreenPPI));
    out_.I32(t.X);  // ptlReference
    out_.I32(t.Y);
    out_.U32(n);
    out_.U32(offString);
    out_.U32(options);
    Rect(rect);
    out_.U32(offDx);
    for (QChar c : text) out_.U16(c.unicode());
    out_.PadTo(4);
    for (int d : dx) out_.I32(d);
    End(at);
  }

  void DrawRectangle(const TRect& r) { Box(EMR_RECTANGLE, r); }
  void DrawEllipse(const TRect& r) { Box(EMR_ELLIPSE, r); }

  void DrawLine(TPoint from, TPoint to) {
    auto at = Begin(EMR_MOVETOEX);
    out_.I32(from.X);
    out_.I32(from.Y);
    End(at);
    at = Begin(EMR_LINETO);
    out_.I32(to.X);
    out_.I32(to.Y);
    End(at);
  }

  void DrawBitmap(const MrBitmap& b) {
    const auto shared = metafile::MakeDib24(*b.Image);
    const metafile::TDib& dib = *shared;
    const auto at = Begin(EMR_STRETCHDIBITS);
    Rect(TRect{b.Dest.Left, b.Dest.Top, b.Dest.Right - 1, b.Dest.Bottom - 1});  // rclBounds
    out_.I32(b.Dest.Left);
    out_.I32(b.Dest.Top);
    out_.I32(0);  // xSrc
    out_.I32(0);  // ySrc
    out_.I32(dib.Width);
    out_.I32(dib.Height);
    constexpr std::uint32_t offBmi = 80;
    out_.U32(offBmi);
    out_.U32(static_cast<std::uint32_t>(dib.Header.size()));
    out_.U32(offBmi + static_cast<std::uint32_t>(dib.Header.size()));
    out_.U32(static_cast<std::uint32_t>(dib.Bits.size()));
    out_.U32(0);  // DIB_RGB_COLORS
    out_.U32(SRCCOPY);
    out_.I32(b.Dest.Width());
    out_.I32(b.Dest.Height());
    out_.Bytes(dib.Header);
    out_.Bytes(dib.Bits);
    End(at);
  }

  void WriteEof() {
    const auto at = Begin(EMR_EOF);
    out_.U32(0);   // nPalEntries
    out_.U32(16);  // offPalEntries
    out_.U32(20);  // nSizeLast
    End(at);
  }

  void WriteHeader() {
    TByteBuffer h;
    h.U32(EMR_HEADER);
    h.U32(HeaderSize);
    h.I32(0);  // rclBounds, inclusive, device pixels
    h.I32(0);
    h.I32(mf_.Width - 1);
    h.I32(mf_.Height - 1);
    h.I32(0);  // rclFrame, inclusive, 0.01 mm
    h.I32(0);
    h.I32(ToHundredthMM(mf_.Width) - 1);
    h.I32(ToHundredthMM(mf_.Height) - 1);
    h.U32(0x464D4520);  // " EMF"
    h.U32(0x10000);
    h.U32(static_cast<std::uint32_t>(out_.Size()));
    h.U32(records_);
    h.U16(static_cast<std::uint16_t>(ObjectTableSize()));  // highest slot + 1 (slot 0 is the metafile)
    h.U16(0);
    h.U32(0);  // nDescription
    h.U32(0);  // offDescription
    h.U32(0);  // nPalEntries
    h.I32(DeviceWidthPx);
    h.I32(DeviceHeightPx);
    h.I32(static_cast<int>(RoundHalfEven(DeviceWidthUm / 1000.0)));
    h.I32(static_cast<int>(RoundHalfEven(DeviceHeightUm / 1000.0)));
    h.U32(0);  // cbPixelFormat
    h.U32(0);  // offPixelFormat
    h.U32(0);  // bOpenGL
    h.I32(DeviceWidthUm);
    h.I32(DeviceHeightUm);
    out_.PatchBytes(0, h.Data());
  }

  const TMetafile& mf_;
  TByteBuffer out_;
  std::uint32_t records_ = 0;
};

}  // namespace

void WriteEMF(const TMetafile& mf, TStream& out) {
  const std::string bytes = TEmfEncoder(mf).Encode();
  out.Write(bytes.data(), bytes.size());
}

}  // namespace oxqr
