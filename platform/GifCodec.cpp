// GIF89a through giflib. A picture of 256 colours or fewer gets its exact palette;
// a richer one is quantised by libimagequant. The palette is padded to a power of two,
// as the format requires.
#include <gif_lib.h>
#include <libimagequant.h>

#include <memory>
#include <unordered_map>
#include <vector>

#include "Errors.h"
#include "ImageCodecs.h"
#include "PixelReduce.h"
#include "Streams.h"

namespace oxqr {
namespace {

struct TPalettePixels {
  std::vector<QRgb> Palette;
  std::vector<GifPixelType> Indices;  // rows top-down
};

// The exact palette, or false when the picture has more than 256 colours.
bool ExactPalette(const QImage& img, TPalettePixels& out) {
  std::unordered_map<QRgb, GifPixelType> index;
  out.Indices.resize(static_cast<std::size_t>(img.width()) * img.height());
  std::size_t k = 0;
  for (int y = 0; y < img.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      const QRgb c = line[x] | 0xFF000000u;
      auto it = index.find(c);
      if (it == index.end()) {
        if (out.Palette.size() == 256) return false;
        it = index.emplace(c, static_cast<GifPixelType>(out.Palette.size())).first;
        out.Palette.push_back(c);
      }
      out.Indices[k++] = it->second;
    }
  }
  return true;
}

struct LiqAttrDeleter { void operator()(liq_attr* p) const { liq_attr_destroy(p); } };
struct LiqImageDeleter { void operator()(liq_image* p) const { liq_image_destroy(p); } };
struct LiqResultDeleter { void operator()(liq_result* p) const { liq_result_destroy(p); } };

TPalettePixels Quantised(const QImage& img) {
  const QImage rgba = img.convertToFormat(QImage::Format_RGBA8888);
  std::vector<unsigned char*> rows(static_cast<std::size_t>(rgba.height()));
  for (int y = 0; y < rgba.height(); ++y) rows[y] = const_cast<unsigned char*>(rgba.constScanLine(y));
  const std::unique_ptr<liq_attr, LiqAttrDeleter> attr(liq_attr_create());
  if (!attr) throw std::bad_alloc();
  const std::unique_ptr<liq_image, LiqImageDeleter> image(
      liq_image_create_rgba_rows(attr.get(), reinterpret_cast<void**>(rows.data()), rgba.width(), rgba.height(), 0));
  if (!image) throw EInvalidData("GIF quantiser refused the picture");
  liq_result* raw = nullptr;
  if (liq_image_quantize(image.get(), attr.get(), &raw) != LIQ_OK || !raw)
    throw EInvalidData("GIF quantiser failed");
  const std::unique_ptr<liq_result, LiqResultDeleter> result(raw);
  TPalettePixels out;
  out.Indices.resize(static_cast<std::size_t>(rgba.width()) * rgba.height());
  if (liq_write_remapped_image(result.get(), image.get(), out.Indices.data(), out.Indices.size()) != LIQ_OK)
    throw EInvalidData("GIF quantiser failed");
  const liq_palette* pal = liq_get_palette(result.get());
  for (unsigned i = 0; i < pal->count; ++i) out.Palette.push_back(qRgb(pal->entries[i].r, pal->entries[i].g, pal->entries[i].b));
  return out;
}

struct GifSink {
  std::string Bytes;
  bool Failed = false;
};

int WriteToSink(GifFileType* gif, const GifByteType* data, int length) {
  auto* sink = static_cast<GifSink*>(gif->UserData);
  try {
    sink->Bytes.append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length));
    return length;
  } catch (...) {
    sink->Failed = true;
    return 0;
  }
}

struct GifFileCloser {
  void operator()(GifFileType* gif) const {
    int err = 0;
    EGifCloseFile(gif, &err);
  }
};

struct ColorMapDeleter {
  void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

void Check(int rc, const GifFileType* gif) {
  if (rc != GIF_OK) {
    const char* why = GifErrorString(gif ? gif->Error : 0);
    throw EInvalidData(std::string("GIF encoding failed: ") + (why ? why : "unknown error"));
  }
}

}  // namespace

void EncodeGIF(const QImage& image, TStream& out) {
  if (image.isNull() || image.width() == 0 || image.height() == 0) throw EInvalidData("Empty picture");
  if (image.width() > 65535 || image.height() > 65535) throw EInvalidData("Picture too large for GIF");
  const QImage img = detail::ToRGB32(image);
  TPalettePixels px;
  if (!ExactPalette(img, px)) px = Quantised(img);

  int bits = 1;
  while ((1 << bits) < static_cast<int>(px.Palette.size())) ++bits;
  std::vector<GifColorType> colors(static_cast<std::size_t>(1) << bits, GifColorType{0, 0, 0});
  for (std::size_t i = 0; i < px.Palette.size(); ++i)
    colors[i] = GifColorType{static_cast<GifByteType>(qRed(px.Palette[i])),
                             static_cast<GifByteType>(qGreen(px.Palette[i])),
                             static_cast<GifByteType>(qBlue(px.Palette[i]))};
  const std::unique_ptr<ColorMapObject, ColorMapDeleter> map(
      GifMakeMapObject(static_cast<int>(colors.size()), colors.data()));
  if (!map) throw std::bad_alloc();

  GifSink sink;
  int err = 0;
  {
    const std::unique_ptr<GifFileType, GifFileCloser> gif(EGifOpen(&sink, WriteToSink, &err));
    if (!gif) throw EInvalidData("GIF encoder could not start");
    EGifSetGifVersion(gif.get(), true);
    Check(EGifPutScreenDesc(gif.get(), img.width(), img.height(), bits, 0, map.get()), gif.get());
    Check(EGifPutImageDesc(gif.get(), 0, 0, img.width(), img.height(), false, nullptr), gif.get());
    for (int y = 0; y < img.height(); ++y)
      Check(EGifPutLine(gif.get(), px.Indices.data() + static_cast<std::size_t>(y) * img.width(), img.width()),
            gif.get());
  }  // closing writes the trailer
  if (sink.Failed) throw std::bad_alloc();
  out.Write(sink.Bytes);
}

}  // namespace oxqr
