// GIF89a through giflib. A picture of 256 colours or fewer gets its exact palette; a
// drawn page with more (anti-aliased text on coloured fills) gets a palette chosen from
// its colour counts; a photograph is quantised and dithered by libimagequant. The
// palette is padded to a power of two, as the format requires.
#include <gif_lib.h>
#include <libimagequant.h>

#include <dlfcn.h>

#include <algorithm>
#include <memory>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "Errors.h"
#include "ImageCodecs.h"
#include "PixelReduce.h"
#include "Streams.h"

namespace oxqr {
namespace {

// A picture of at most this many colours is drawn, not photographed: text, rules and
// fills with their anti-aliased edges.
constexpr std::size_t kDrawnColours = 16384;

struct TPalettePixels {
  std::vector<QRgb> Palette;
  std::vector<GifPixelType> Indices;  // rows top-down
};

// The exact palette, or false when the picture has more than 256 colours.
bool ExactPalette(const QImage& img, TPalettePixels& out) {
  std::unordered_map<QRgb, GifPixelType> index;
  QRgb last = 0;
  out.Indices.resize(static_cast<std::size_t>(img.width()) * img.height());
  std::size_t k = 0;
  for (int y = 0; y < img.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      const QRgb c = line[x] | 0xFF000000u;
      if (c == last && k > 0) {  // pages are mostly runs of one colour
        out.Indices[k] = out.Indices[k - 1];
        ++k;
        continue;
      }
      auto it = index.find(c);
      if (it == index.end()) {
        if (out.Palette.size() == 256) return false;
        it = index.emplace(c, static_cast<GifPixelType>(out.Palette.size())).first;
        out.Palette.push_back(c);
      }
      out.Indices[k++] = it->second;
      last = c;
    }
  }
  return true;
}

// The quantiser runs its loops on OpenMP threads; on a machine whose cores are busy
// with other work those threads spin waiting for each other, and the palette may
// depend on how the work was split. One thread keeps the cost honest and the result
// the same everywhere. The OpenMP runtime is the quantiser's own, looked up at run time.
void OneQuantiserThread() {
  static const bool done = [] {
    using TSetThreads = void (*)(int);
    if (auto set = reinterpret_cast<TSetThreads>(dlsym(RTLD_DEFAULT, "omp_set_num_threads"))) set(1);
    return true;
  }();
  (void)done;
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
  OneQuantiserThread();
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

struct LiqHistogramDeleter { void operator()(liq_histogram* p) const { liq_histogram_destroy(p); } };

// How often each colour occurs, or false when the picture has more than `limit` colours.
bool CountColours(const QImage& img, std::size_t limit, std::unordered_map<QRgb, unsigned>& counts) {
  for (int y = 0; y < img.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    int x = 0;
    while (x < img.width()) {
      const QRgb c = line[x];
      int run = 1;
      while (x + run < img.width() && line[x + run] == c) ++run;
      counts[c | 0xFF000000u] += static_cast<unsigned>(run);
      if (counts.size() > limit) return false;
      x += run;
    }
  }
  return true;
}

// The palette entry nearest to `c`, weighting green over red over blue as the eye does.
GifPixelType Nearest(const std::vector<QRgb>& palette, QRgb c) {
  std::size_t best = 0;
  long bestDist = -1;
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const long dr = qRed(c) - qRed(palette[i]);
    const long dg = qGreen(c) - qGreen(palette[i]);
    const long db = qBlue(c) - qBlue(palette[i]);
    const long d = dr * dr * 3 + dg * dg * 4 + db * db * 2;
    if (bestDist < 0 || d < bestDist) {
      bestDist = d;
      best = i;
    }
  }
  return static_cast<GifPixelType>(best);
}

// A drawn page: the quantiser chooses the palette from the page's colour counts, and
// every pixel takes its colour's nearest entry. Flat colours and text stay flat (no
// dithering noise), and the work follows the number of colours, not of pixels.
TPalettePixels QuantisedDrawn(const QImage& img, const std::unordered_map<QRgb, unsigned>& counts) {
  const std::unique_ptr<liq_attr, LiqAttrDeleter> attr(liq_attr_create());
  if (!attr) throw std::bad_alloc();
  OneQuantiserThread();
  const std::unique_ptr<liq_histogram, LiqHistogramDeleter> histogram(liq_histogram_create(attr.get()));
  if (!histogram) throw std::bad_alloc();
  std::vector<liq_histogram_entry> entries;
  entries.reserve(counts.size());
  for (const auto& [c, n] : counts)
    entries.push_back(liq_histogram_entry{
        liq_color{static_cast<unsigned char>(qRed(c)), static_cast<unsigned char>(qGreen(c)),
                  static_cast<unsigned char>(qBlue(c)), 255},
        n});
  // Entries in colour order, so that the palette does not depend on the hash order.
  std::sort(entries.begin(), entries.end(), [](const liq_histogram_entry& a, const liq_histogram_entry& b) {
    return std::tie(a.color.r, a.color.g, a.color.b) < std::tie(b.color.r, b.color.g, b.color.b);
  });
  if (liq_histogram_add_colors(histogram.get(), attr.get(), entries.data(), static_cast<int>(entries.size()), 0) !=
      LIQ_OK)
    throw EInvalidData("GIF quantiser refused the picture");
  liq_result* raw = nullptr;
  if (liq_histogram_quantize(histogram.get(), attr.get(), &raw) != LIQ_OK || !raw)
    throw EInvalidData("GIF quantiser failed");
  const std::unique_ptr<liq_result, LiqResultDeleter> result(raw);
  TPalettePixels out;
  const liq_palette* pal = liq_get_palette(result.get());
  for (unsigned i = 0; i < pal->count; ++i) out.Palette.push_back(qRgb(pal->entries[i].r, pal->entries[i].g, pal->entries[i].b));
  if (out.Palette.empty()) out.Palette.push_back(qRgb(0, 0, 0));

  std::unordered_map<QRgb, GifPixelType> index;
  index.reserve(counts.size());
  for (const auto& [c, n] : counts) index.emplace(c, Nearest(out.Palette, c));
  out.Indices.resize(static_cast<std::size_t>(img.width()) * img.height());
  std::size_t k = 0;
  for (int y = 0; y < img.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    QRgb last = line[0] ^ 1u;
    GifPixelType lastIndex = 0;
    for (int x = 0; x < img.width(); ++x) {
      if (line[x] != last) {
        last = line[x];
        lastIndex = index.find(last | 0xFF000000u)->second;
      }
      out.Indices[k++] = lastIndex;
    }
  }
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
  if (!ExactPalette(img, px)) {
    std::unordered_map<QRgb, unsigned> counts;
    px = CountColours(img, kDrawnColours, counts) ? QuantisedDrawn(img, counts) : Quantised(img);
  }

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
