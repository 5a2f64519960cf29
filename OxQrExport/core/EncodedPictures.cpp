#include "OxQrExport/core/EncodedPictures.h"

#include <utility>

namespace oxqr {

namespace {

// A hash of what makes two pictures encode alike: the pixel rows (without the padding at
// their ends), the size, the pixel format and the settings.
std::size_t PictureHash(const QImage& image, int pixelFormat, bool monochrome, std::string_view settings) {
  std::size_t h = std::hash<std::string_view>{}(settings);
  auto mix = [&h](std::size_t v) { h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2); };
  mix(static_cast<std::size_t>(image.width()));
  mix(static_cast<std::size_t>(image.height()));
  mix(static_cast<std::size_t>(image.format()));
  mix(static_cast<std::size_t>(pixelFormat) * 2 + (monochrome ? 1 : 0));
  const auto rowBytes = static_cast<std::size_t>(image.width()) * static_cast<std::size_t>(image.depth()) / 8;
  for (int y = 0; y < image.height(); ++y)
    mix(std::hash<std::string_view>{}(std::string_view(reinterpret_cast<const char*>(image.constScanLine(y)), rowBytes)));
  return h;
}

}  // namespace

std::shared_ptr<const std::string> TEncodedPictureCache::Get(const TBitmap& bitmap, std::string_view settingsKey,
                                                             const std::function<std::string()>& encode) {
  const QImage& image = bitmap.Image();
  const int pf = static_cast<int>(bitmap.PixelFormat());
  const std::size_t hash = PictureHash(image, pf, bitmap.Monochrome(), settingsKey);
  const auto [first, last] = entries_.equal_range(hash);
  for (auto it = first; it != last; ++it) {
    const TEntry& e = it->second;
    if (e.PixelFormat == pf && e.Monochrome == bitmap.Monochrome() && e.Settings == settingsKey &&
        e.Pixels == image) {
      ++hits_;
      return e.Bytes;
    }
  }
  auto bytes = std::make_shared<const std::string>(encode());
  // The pixels are kept to tell a true match from a hash collision; they count too.
  const std::size_t cost = bytes->size() + static_cast<std::size_t>(image.sizeInBytes()) + settingsKey.size();
  if (stored_ + cost <= budget_) {
    stored_ += cost;
    entries_.emplace(hash, TEntry{image, pf, bitmap.Monochrome(), std::string(settingsKey), bytes});
  }
  return bytes;
}

void TEncodedPictureCache::Clear() {
  entries_.clear();
  stored_ = 0;
  hits_ = 0;
}

}  // namespace oxqr
