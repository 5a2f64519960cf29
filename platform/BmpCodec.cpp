// Windows bitmap files: BITMAPFILEHEADER + BITMAPINFOHEADER, rows bottom-up and padded
// to four bytes, palettes for 1, 4 and 8 bits, 16 bits as 5-5-5 (BI_RGB) or 5-6-5
// (BI_BITFIELDS), 96 dots per inch.
#include <cstring>
#include <limits>

#include "Errors.h"
#include "ImageCodecs.h"
#include "PixelReduce.h"

namespace oxqr {
namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::int32_t kPelsPerMeter96Dpi = 3780;

void PutU16(std::string& s, std::uint16_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>(v >> 8);
}
void PutU32(std::string& s, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::size_t RowBytes(int width, int bpp) {
  return ((static_cast<std::size_t>(width) * bpp + 31) / 32) * 4;
}

// Writes the pixels of row `y` (top-down numbering) into `row` in the file's layout.
void PackRow(const QImage& img, const detail::TIndexedPixels* idx, int y, int bpp, bool rgb565, char* row) {
  const int w = img.width();
  const auto* px = reinterpret_cast<const QRgb*>(img.constScanLine(y));
  auto* out = reinterpret_cast<std::uint8_t*>(row);
  switch (bpp) {
    case 1:
    case 4:
    case 8: {
      const std::uint8_t* in = idx->Indices.data() + static_cast<std::size_t>(y) * w;
      const int perByte = 8 / bpp;
      for (int x = 0; x < w; ++x) {
        const int shift = 8 - bpp * (x % perByte + 1);
        out[x / perByte] |= static_cast<std::uint8_t>(in[x] << shift);
      }
      break;
    }
    case 16:
      for (int x = 0; x < w; ++x) {
        const QRgb c = px[x];
        const std::uint16_t v =
            rgb565 ? static_cast<std::uint16_t>(((qRed(c) >> 3) << 11) | ((qGreen(c) >> 2) << 5) | (qBlue(c) >> 3))
                   : static_cast<std::uint16_t>(((qRed(c) >> 3) << 10) | ((qGreen(c) >> 3) << 5) | (qBlue(c) >> 3));
        out[2 * x] = static_cast<std::uint8_t>(v & 0xFF);
        out[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
      }
      break;
    case 24:
      for (int x = 0; x < w; ++x) {
        out[3 * x] = static_cast<std::uint8_t>(qBlue(px[x]));
        out[3 * x + 1] = static_cast<std::uint8_t>(qGreen(px[x]));
        out[3 * x + 2] = static_cast<std::uint8_t>(qRed(px[x]));
      }
      break;
    default:  // 32: B, G, R and an unused zero byte
      for (int x = 0; x < w; ++x) {
        out[4 * x] = static_cast<std::uint8_t>(qBlue(px[x]));
        out[4 * x + 1] = static_cast<std::uint8_t>(qGreen(px[x]));
        out[4 * x + 2] = static_cast<std::uint8_t>(qRed(px[x]));
        out[4 * x + 3] = 0;
      }
      break;
  }
}

}  // namespace

std::string EncodeBMP(const QImage& image, TPixelFormat pf) {
  const QImage img = detail::ToRGB32(image);
  const int w = img.isNull() ? 0 : img.width();
  const int h = img.isNull() ? 0 : img.height();
  const int bpp = BitsPerPixel(pf);
  const bool rgb565 = pf == TPixelFormat::pf16bit;

  detail::TIndexedPixels indexed;
  if (bpp <= 8 && w > 0 && h > 0) indexed = detail::ToIndexed(img, bpp);
  const std::size_t paletteEntries = bpp <= 8 ? (std::size_t{1} << bpp) : 0;
  const std::size_t masksBytes = rgb565 ? 12 : 0;
  const std::size_t offBits = 14 + 40 + masksBytes + paletteEntries * 4;
  const std::size_t rowBytes = RowBytes(w, bpp);
  const std::size_t imageBytes = rowBytes * static_cast<std::size_t>(h);
  if (offBits + imageBytes > std::numeric_limits<std::uint32_t>::max())
    throw EInvalidData("Picture too large for a bitmap file");

  std::string out;
  out.reserve(offBits + imageBytes);
  // BITMAPFILEHEADER
  out += "BM";
  PutU32(out, static_cast<std::uint32_t>(offBits + imageBytes));
  PutU32(out, 0);
  PutU32(out, static_cast<std::uint32_t>(offBits));
  // BITMAPINFOHEADER
  PutU32(out, 40);
  PutU32(out, static_cast<std::uint32_t>(w));
  PutU32(out, static_cast<std::uint32_t>(h));
  PutU16(out, 1);
  PutU16(out, static_cast<std::uint16_t>(bpp));
  PutU32(out, rgb565 ? kBiBitfields : kBiRgb);
  PutU32(out, static_cast<std::uint32_t>(imageBytes));
  PutU32(out, kPelsPerMeter96Dpi);
  PutU32(out, kPelsPerMeter96Dpi);
  PutU32(out, 0);  // all palette entries used
  PutU32(out, 0);
  if (rgb565) {
    PutU32(out, 0xF800);
    PutU32(out, 0x07E0);
    PutU32(out, 0x001F);
  }
  for (std::size_t i = 0; i < paletteEntries; ++i) {
    const QRgb c = i < indexed.Palette.size() ? indexed.Palette[i] : qRgb(0, 0, 0);
    out += static_cast<char>(qBlue(c));
    out += static_cast<char>(qGreen(c));
    out += static_cast<char>(qRed(c));
    out += '\0';
  }
  const std::size_t pixelsAt = out.size();
  out.resize(pixelsAt + imageBytes, '\0');
  for (int y = 0; y < h; ++y) {
    char* row = out.data() + pixelsAt + static_cast<std::size_t>(h - 1 - y) * rowBytes;
    PackRow(img, bpp <= 8 ? &indexed : nullptr, y, bpp, rgb565, row);
  }
  return out;
}

namespace {

class ByteReader {
 public:
  explicit ByteReader(std::string_view b) : b_(b) {}
  std::uint32_t U32(std::size_t at) const {
    Need(at, 4);
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<std::uint8_t>(b_[at + i]);
    return v;
  }
  std::uint16_t U16(std::size_t at) const {
    Need(at, 2);
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b_[at]) | (static_cast<std::uint8_t>(b_[at + 1]) << 8));
  }
  void Need(std::size_t at, std::size_t n) const {
    if (at > b_.size() || n > b_.size() - at) throw EInvalidData("Bitmap file is truncated");
  }
  const std::uint8_t* At(std::size_t at) const { return reinterpret_cast<const std::uint8_t*>(b_.data() + at); }

 private:
  std::string_view b_;
};

// One colour channel described by a bit mask of a 16- or 32-bit pixel.
struct Channel {
  explicit Channel(std::uint32_t mask) : Mask(mask) {
    if (!mask) return;
    while (!((mask >> Shift) & 1)) ++Shift;
    while (Shift + Bits < 32 && ((mask >> (Shift + Bits)) & 1)) ++Bits;
  }
  int Value(std::uint32_t px) const {
    if (!Bits) return 0;
    const std::uint32_t q = (px & Mask) >> Shift;
    if (Bits >= 8) return static_cast<int>(q >> (Bits - 8));
    if (Bits >= 4) return static_cast<int>((q << (8 - Bits)) | (q >> (2 * Bits - 8)));
    return static_cast<int>(q * 255 / ((1u << Bits) - 1));
  }
  std::uint32_t Mask;
  int Shift = 0;
  int Bits = 0;
};

}  // namespace

QImage DecodeBMP(std::string_view bytes) {
  const ByteReader rd(bytes);
  if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M') throw EInvalidData("Not a bitmap file");
  const std::uint32_t offBits = rd.U32(10);
  const std::uint32_t headerSize = rd.U32(14);
  if (headerSize < 40 || headerSize > 1024) throw EInvalidData("Unsupported bitmap header");
  const auto width = static_cast<std::int32_t>(rd.U32(18));
  const auto rawHeight = static_cast<std::int32_t>(rd.U32(22));
  const int bpp = rd.U16(28);
  const std::uint32_t compression = rd.U32(30);
  const std::uint32_t clrUsed = rd.U32(46);
  const bool topDown = rawHeight < 0;
  if (rawHeight == std::numeric_limits<std::int32_t>::min()) throw EInvalidData("Bitmap size out of range");
  const std::int32_t height = topDown ? -rawHeight : rawHeight;
  if (width <= 0 || height <= 0 || width > 65535 || height > 65535 ||
      static_cast<std::int64_t>(width) * height > (std::int64_t{1} << 28))
    throw EInvalidData("Bitmap size out of range");
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
    throw EInvalidData("Unsupported bitmap depth");
  if (!(compression == kBiRgb || (compression == kBiBitfields && (bpp == 16 || bpp == 32))))
    throw EInvalidData("Compressed bitmaps are not supported");

  // Colour masks: after a 40-byte header for BI_BITFIELDS, inside larger headers.
  std::uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
  if (bpp == 32) { masks[0] = 0xFF0000; masks[1] = 0xFF00; masks[2] = 0xFF; }
  std::size_t tableAt = 14 + headerSize;
  if (compression == kBiBitfields) {
    const std::size_t at = 54;  // right after the 40 fields, also inside a larger header
    for (int i = 0; i < 3; ++i) masks[i] = rd.U32(at + 4 * i);
    if (headerSize == 40) tableAt += 12;
  }
  std::vector<QRgb> palette;
  if (bpp <= 8) {
    const std::uint32_t maxEntries = 1u << bpp;
    const std::uint32_t n = clrUsed == 0 || clrUsed > maxEntries ? maxEntries : clrUsed;
    rd.Need(tableAt, static_cast<std::size_t>(n) * 4);
    for (std::uint32_t i = 0; i < n; ++i) {
      const std::uint8_t* e = rd.At(tableAt + 4 * i);
      palette.push_back(qRgb(e[2], e[1], e[0]));
    }
  }
  const std::size_t rowBytes = RowBytes(width, bpp);
  rd.Need(offBits, rowBytes * static_cast<std::size_t>(height));

  QImage img(width, height, QImage::Format_RGB32);
  if (img.isNull()) throw EInvalidData("Bitmap too large");
  const Channel r(masks[0]), g(masks[1]), b(masks[2]);
  for (int fileRow = 0; fileRow < height; ++fileRow) {
    const int y = topDown ? fileRow : height - 1 - fileRow;
    const std::uint8_t* in = rd.At(offBits + static_cast<std::size_t>(fileRow) * rowBytes);
    auto* out = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < width; ++x) {
      switch (bpp) {
        case 1:
        case 4:
        case 8: {
          const int perByte = 8 / bpp;
          const int shift = 8 - bpp * (x % perByte + 1);
          const std::size_t index = (in[x / perByte] >> shift) & ((1u << bpp) - 1);
          out[x] = index < palette.size() ? palette[index] : qRgb(0, 0, 0);
          break;
        }
        case 16: {
          const std::uint32_t px = in[2 * x] | (in[2 * x + 1] << 8);
          out[x] = qRgb(r.Value(px), g.Value(px), b.Value(px));
          break;
        }
        case 24:
          out[x] = qRgb(in[3 * x + 2], in[3 * x + 1], in[3 * x]);
          break;
        default: {
          const std::uint32_t px = in[4 * x] | (in[4 * x + 1] << 8) | (in[4 * x + 2] << 16) |
                                   (static_cast<std::uint32_t>(in[4 * x + 3]) << 24);
          out[x] = qRgb(r.Value(px), g.Value(px), b.Value(px));
          break;
        }
      }
    }
  }
  return img;
}

}  // namespace oxqr
