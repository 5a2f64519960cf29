#include "PixelReduce.h"

#include <QPainter>
#include <unordered_map>

namespace oxqr::detail {

bool IsLight(QRgb c) { return qRed(c) * 299 + qGreen(c) * 587 + qBlue(c) * 114 >= 128 * 1000; }

QImage ToRGB32(const QImage& image) {
  if (image.isNull()) return QImage();
  if (image.format() == QImage::Format_RGB32) return image;
  if (!image.hasAlphaChannel()) return image.convertToFormat(QImage::Format_RGB32);
  QImage out(image.size(), QImage::Format_RGB32);
  out.fill(Qt::white);
  QPainter p(&out);
  p.drawImage(0, 0, image);
  return out;
}

QImage ToBlackAndWhite(const QImage& rgb32) {
  QImage out = ToRGB32(rgb32).copy();
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) line[x] = IsLight(line[x]) ? 0xFFFFFFFFu : 0xFF000000u;
  }
  return out;
}

const std::array<QRgb, 16>& VgaPalette() {
  static const std::array<QRgb, 16> palette = {
      qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
      qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
      qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
      qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
  return palette;
}

namespace {

int Nearest(const std::vector<QRgb>& palette, QRgb c) {
  int best = 0;
  long bestDist = -1;
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const long dr = qRed(c) - qRed(palette[i]);
    const long dg = qGreen(c) - qGreen(palette[i]);
    const long db = qBlue(c) - qBlue(palette[i]);
    const long d = dr * dr * 3 + dg * dg * 4 + db * db * 2;
    if (bestDist < 0 || d < bestDist) {
      bestDist = d;
      best = static_cast<int>(i);
    }
  }
  return best;
}

// Maps every pixel to the nearest palette entry, remembering colours already seen
// (a page has few of them).
TIndexedPixels MapToPalette(const QImage& img, std::vector<QRgb> palette) {
  TIndexedPixels out;
  out.Indices.resize(static_cast<std::size_t>(img.width()) * img.height());
  std::unordered_map<QRgb, std::uint8_t> seen;
  std::size_t k = 0;
  for (int y = 0; y < img.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      const QRgb c = line[x] | 0xFF000000u;
      auto it = seen.find(c);
      if (it == seen.end()) it = seen.emplace(c, static_cast<std::uint8_t>(Nearest(palette, c))).first;
      out.Indices[k++] = it->second;
    }
  }
  out.Palette = std::move(palette);
  return out;
}

// The distinct colours of the picture, or an empty list when there are more than `limit`.
std::vector<QRgb> DistinctColors(const QImage& img, std::size_t limit) {
  std::unordered_map<QRgb, int> seen;
  std::vector<QRgb> colors;
  for (int y = 0; y < img.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      const QRgb c = line[x] | 0xFF000000u;
      if (seen.emplace(c, 0).second) {
        colors.push_back(c);
        if (colors.size() > limit) return {};
      }
    }
  }
  return colors;
}

}  // namespace

TIndexedPixels ToIndexed(const QImage& image, int bits) {
  const QImage img = ToRGB32(image);
  if (bits == 1) {
    TIndexedPixels out;
    out.Palette = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    out.Indices.reserve(static_cast<std::size_t>(img.width()) * img.height());
    for (int y = 0; y < img.height(); ++y) {
      const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
      for (int x = 0; x < img.width(); ++x) out.Indices.push_back(IsLight(line[x]) ? 1 : 0);
    }
    return out;
  }
  if (bits == 4) return MapToPalette(img, std::vector<QRgb>(VgaPalette().begin(), VgaPalette().end()));
  // 8 bit: the exact colours when they fit, else a palette chosen by Qt's quantiser.
  std::vector<QRgb> colors = DistinctColors(img, 256);
  if (!colors.empty() || img.width() == 0 || img.height() == 0) return MapToPalette(img, std::move(colors));
  const QImage indexed = img.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
  TIndexedPixels out;
  for (const QRgb c : indexed.colorTable()) out.Palette.push_back(c | 0xFF000000u);
  if (out.Palette.empty()) out.Palette.push_back(qRgb(0, 0, 0));
  out.Indices.reserve(static_cast<std::size_t>(img.width()) * img.height());
  for (int y = 0; y < indexed.height(); ++y) {
    const uchar* line = indexed.constScanLine(y);
    for (int x = 0; x < indexed.width(); ++x)
      out.Indices.push_back(line[x] < out.Palette.size() ? line[x] : 0);
  }
  return out;
}

namespace {

QImage FromIndexed(const TIndexedPixels& px, int width, int height) {
  QImage out(width, height, QImage::Format_RGB32);
  std::size_t k = 0;
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < width; ++x) line[x] = px.Palette[px.Indices[k++]];
  }
  return out;
}

// Keeps `bits` of an 8-bit channel, refilling the low bits from the high ones as the
// bitmap reader expands them.
int Quantise(int v, int bits) {
  const int q = v >> (8 - bits);
  return (q << (8 - bits)) | (q >> (2 * bits - 8));  // bits is 5 or 6
}

}  // namespace

QImage ReduceToFormat(const QImage& image, TPixelFormat pf) {
  const QImage img = ToRGB32(image);
  if (img.isNull() || img.width() == 0 || img.height() == 0) return img;
  switch (pf) {
    case TPixelFormat::pf1bit:
      return ToBlackAndWhite(img);
    case TPixelFormat::pf4bit:
      return FromIndexed(ToIndexed(img, 4), img.width(), img.height());
    case TPixelFormat::pf8bit:
      return FromIndexed(ToIndexed(img, 8), img.width(), img.height());
    case TPixelFormat::pf15bit:
    case TPixelFormat::pf16bit: {
      const int greenBits = pf == TPixelFormat::pf16bit ? 6 : 5;
      QImage out = img.copy();
      for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
          line[x] = qRgb(Quantise(qRed(line[x]), 5), Quantise(qGreen(line[x]), greenBits),
                         Quantise(qBlue(line[x]), 5));
      }
      return out;
    }
    default:
      return img;
  }
}

}  // namespace oxqr::detail
