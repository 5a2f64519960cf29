#pragma once
// Internal helpers shared by the EMF and WMF writers: a little-endian byte buffer, the
// GDI codes of pens and brushes, 24-bit DIBs of pictures and per-character advances.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QImage>

#include "Canvas.h"

namespace oxqr::metafile {

// Bytes in little-endian order; Patch* rewrites a value written earlier.
class TByteBuffer {
 public:
  void U8(std::uint8_t v) { bytes_.push_back(static_cast<char>(v)); }
  void U16(std::uint16_t v) {
    const char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    bytes_.append(b, 2);
  }
  void I16(int v) { U16(static_cast<std::uint16_t>(static_cast<std::int16_t>(v))); }
  void U32(std::uint32_t v) {
    const char b[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                       static_cast<char>((v >> 16) & 0xFF), static_cast<char>(v >> 24)};
    bytes_.append(b, 4);
  }
  void I32(int v) { U32(static_cast<std::uint32_t>(v)); }
  void F32(float v);
  void Bytes(std::string_view b) { bytes_.append(b); }
  void Zeros(std::size_t n) { bytes_.append(n, '\0'); }
  void PadTo(std::size_t multiple) { bytes_.append((multiple - bytes_.size() % multiple) % multiple, '\0'); }
  void PatchU32(std::size_t at, std::uint32_t v);
  void PatchU16(std::size_t at, std::uint16_t v);
  void PatchBytes(std::size_t at, std::string_view b) { bytes_.replace(at, b.size(), b); }
  std::size_t Size() const { return bytes_.size(); }
  const std::string& Data() const { return bytes_; }
  std::string Take() { return std::move(bytes_); }

 private:
  std::string bytes_;
};

// GDI pen style (PS_SOLID .. PS_INSIDEFRAME, PS_NULL for psClear).
std::uint16_t PenStyleCode(TPenStyle s);
// LOGBRUSH style and hatch: BS_SOLID / BS_NULL / BS_HATCHED with HS_*.
struct TBrushCode {
  std::uint16_t Style = 0;
  std::uint16_t Hatch = 0;
};
TBrushCode BrushCode(TBrushStyle s);
// COLORREF of a colour (system colours resolved).
std::uint32_t ColorRef(TColor c);

// The LOGFONT fields before the face name: height (minus the em in pixels), width,
// escapement, orientation and weight as 32-bit integers when `wide`, else 16-bit; then
// the italic, underline, strike-out, charset, precision, quality and pitch bytes.
void LogFontHead(TByteBuffer& out, const TFont& font, bool wide);

// A BITMAPINFOHEADER followed by 24-bit bottom-up rows padded to 4 bytes.
struct TDib {
  std::string Header;  // 40 bytes
  std::string Bits;
  int Width = 0;
  int Height = 0;
};
// The DIB of a picture met again (the same pixels: a page header's logo on every page)
// is made once and shared while it is among the few most recent.
std::shared_ptr<const TDib> MakeDib24(const QImage& image);

// Pen position advances of each character of the 8-bit `text` in `font`, in whole
// pixels, so that readers place glyphs where the platform measured them. The sum equals
// TextExtent(font, text).cx. One entry per UTF-16 code unit of the converted text.
std::vector<int> CharAdvances(const TFont& font, std::string_view text);

}  // namespace oxqr::metafile
