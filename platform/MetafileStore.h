#pragma once
// TMetafileStore: many page metafiles kept compact. Fonts, pens, brushes and pictures
// are held once per store and referenced by index; each page's records and their text
// are packed into byte chunks shared by all pages of the store. Once the store holds
// more than its memory budget, further pages go, deflate-compressed, to one temporary file
// that is removed when the store is cleared or destroyed. Page(i) rebuilds a TMetafile
// that equals the one added.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "Metafile.h"

namespace oxqr {

namespace detail {
class TPageSpillFile;
}

class TMetafileStore {
 public:
  // 8 MiB: about a thousand report pages stay in memory, the rest go to the temporary file
  // compressed (a few per cent of a long layout run). A report's memory then stops growing
  // early; a larger budget only moves the point where it stops. 0 keeps every page in memory.
  static constexpr std::size_t DefaultMemoryBudget = std::size_t{8} << 20;

  explicit TMetafileStore(std::size_t memoryBudget = DefaultMemoryBudget);
  ~TMetafileStore();
  TMetafileStore(TMetafileStore&&) noexcept;
  TMetafileStore& operator=(TMetafileStore&&) noexcept;

  // Bytes of memory the pages may take before further pages go to the temporary file.
  std::size_t MemoryBudget() const { return budget_; }
  void SetMemoryBudget(std::size_t bytes) { budget_ = bytes; }

  // Appends a copy of `page`. Throws EFileError (naming the temporary file and the
  // system's reason) when a page cannot be written to disk.
  void Add(const TMetafile& page);
  int Count() const { return static_cast<int>(pages_.size()); }
  // Puts `page` in place of page `index` (0-based): in memory over the old bytes when it is
  // not larger, else beside them; on disk appended to the temporary file. Throws as Add.
  void Replace(int index, const TMetafile& page);
  // Page `index` (0-based) as it was added; reads the temporary file for pages on disk.
  TMetafile Page(int index) const;
  void Clear();

  // Bytes the store holds in memory: packed pages, tables and distinct pictures.
  std::size_t MemoryBytes() const;
  int PagesOnDisk() const { return pagesOnDisk_; }

 private:
  struct TPageRef {
    std::uint64_t Offset = 0;  // in the chunks (memory) or in the temporary file
    std::uint32_t Size = 0;    // packed bytes (compressed on disk)
    std::uint32_t RawSize = 0;
    bool OnDisk = false;
  };

  std::string Pack(const TMetafile& page);
  TMetafile Unpack(std::string_view bytes) const;
  std::uint32_t FontIndex(const TFont& f);
  std::uint32_t PenIndex(const TPen& p);
  std::uint32_t BrushIndex(const TBrush& b);
  std::uint32_t ImageIndex(const std::shared_ptr<const QImage>& image);
  std::uint64_t StoreInMemory(std::string_view bytes);
  std::string_view InMemory(const TPageRef& ref) const;

  std::size_t budget_;
  std::vector<TPageRef> pages_;
  int pagesOnDisk_ = 0;

  std::vector<TFont> fonts_;
  std::unordered_map<std::string, std::uint32_t> fontIndex_;  // key: packed fields and name
  std::vector<TPen> pens_;
  std::unordered_map<std::uint64_t, std::uint32_t> penIndex_;
  std::vector<TBrush> brushes_;
  std::unordered_map<std::uint64_t, std::uint32_t> brushIndex_;
  std::vector<std::shared_ptr<const QImage>> images_;
  std::unordered_map<std::int64_t, std::uint32_t> imageIndex_;  // by QImage::cacheKey
  std::size_t imageBytes_ = 0;

  // Packed pages live in chunks of kChunkSize bytes (a larger page gets its own chunk);
  // a page never straddles two chunks. Offset = chunk index x kChunkSize + position.
  std::vector<std::unique_ptr<char[]>> chunks_;
  std::vector<std::size_t> chunkUsed_;
  std::size_t chunkBytes_ = 0;

  std::unique_ptr<detail::TPageSpillFile> spill_;
};

}  // namespace oxqr
