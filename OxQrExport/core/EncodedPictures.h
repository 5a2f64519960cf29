#pragma once
// The encoded bytes of the pictures one export job has written, so that a picture met again
// (the same logo on every page, the same shape in every band) is encoded once. A file that must
// hold the picture again still gets the bytes again; only the encoder's work is saved. Entries
// are found by the pixels themselves (a hash, then a full comparison), the picture's size and
// format, and a key naming the settings the caller encoded with. Memory stays bounded: once the
// stored bytes reach the budget, further pictures are encoded each time and not kept.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include <QImage>

#include "platform/Bitmap.h"

namespace oxqr {

class TEncodedPictureCache {
 public:
  static constexpr std::size_t kDefaultBudget = std::size_t{8} << 20;

  explicit TEncodedPictureCache(std::size_t budgetBytes = kDefaultBudget) : budget_(budgetBytes) {}

  // The bytes `encode` makes of `bitmap` with the settings `settingsKey` stands for; `encode`
  // runs only when no earlier call stored them. The bytes stay valid while the cache lives.
  std::shared_ptr<const std::string> Get(const TBitmap& bitmap, std::string_view settingsKey,
                                         const std::function<std::string()>& encode);

  std::size_t StoredBytes() const { return stored_; }
  std::size_t Hits() const { return hits_; }
  void Clear();

 private:
  struct TEntry {
    QImage Pixels;  // implicitly shared with the bitmap it came from: no copy unless it changes
    int PixelFormat = 0;
    bool Monochrome = false;
    std::string Settings;
    std::shared_ptr<const std::string> Bytes;
  };

  std::size_t budget_;
  std::size_t stored_ = 0;
  std::size_t hits_ = 0;
  std::unordered_multimap<std::size_t, TEntry> entries_;
};

}  // namespace oxqr
