// The compact page store. A packed page is: width, height and record count, then per
// record a tag byte (record kind in the low three bits, text flags above) and its
// fields as variable-length integers (signed ones zigzag-coded), with fonts, pens,
// brushes and pictures given as indexes into the store's tables and text as a length
// and its bytes.
#include "MetafileStore.h"

#include <fcntl.h>
#include <unistd.h>
#include <libdeflate.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "Errors.h"
#include "Files.h"

namespace oxqr {
namespace detail {

// One temporary file for the pages that left memory. It is unlinked as soon as it is
// created, so nothing stays behind whatever way the process ends; the descriptor keeps
// the data until the store closes it.
class TPageSpillFile {
 public:
  TPageSpillFile() {
    const std::string pattern = TempDirectory() + "oxqr-pages-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd_ = ::mkstemp(name.data());
    if (fd_ < 0) throw EFileError(pattern, "create", errno);
    path_ = name.data();
    ::unlink(path_.c_str());
    if (!compressor_ || !decompressor_) {
      ::close(fd_);
      throw std::bad_alloc();
    }
  }
  ~TPageSpillFile() { ::close(fd_); }
  TPageSpillFile(const TPageSpillFile&) = delete;
  TPageSpillFile& operator=(const TPageSpillFile&) = delete;

  // Appends `bytes` and returns where they start.
  std::uint64_t Append(std::string_view bytes) {
    const std::uint64_t at = end_;
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(at + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw EFileError(path_, "write", n < 0 ? errno : ENOSPC);
      done += static_cast<std::size_t>(n);
    }
    end_ += bytes.size();
    return at;
  }

  // Compresses a packed page (raw deflate, fastest level: the file is private and read
  // back only here) and appends it; answers its place and compressed size. The page is
  // whole in memory, so it is compressed in one call, with one compressor and one output
  // buffer serving every page.
  std::pair<std::uint64_t, std::uint32_t> AppendCompressed(const std::string& packed) {
    out_.resize(libdeflate_deflate_compress_bound(compressor_.get(), packed.size()));
    const std::size_t size =
        libdeflate_deflate_compress(compressor_.get(), packed.data(), packed.size(), out_.data(), out_.size());
    if (size == 0) throw std::bad_alloc();  // cannot happen with a buffer of the bound's size
    return {Append(std::string_view(out_.data(), size)), static_cast<std::uint32_t>(size)};
  }

  // Reads back a page written by AppendCompressed and inflates it to its `rawSize` bytes.
  std::string ReadUncompressed(std::uint64_t at, std::size_t size, std::size_t rawSize) const {
    const std::string compressed = Read(at, size);
    std::string packed(rawSize, '\0');
    if (libdeflate_deflate_decompress(decompressor_.get(), compressed.data(), compressed.size(), packed.data(),
                                      packed.size(), nullptr) != LIBDEFLATE_SUCCESS)
      throw EInvalidData("Stored page is damaged");
    return packed;
  }

  std::string Read(std::uint64_t at, std::size_t size) const {
    std::string out(size, '\0');
    std::size_t done = 0;
    while (done < size) {
      const ssize_t n = ::pread(fd_, out.data() + done, size - done, static_cast<off_t>(at + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw EFileError(path_, "read", n < 0 ? errno : EIO);
      done += static_cast<std::size_t>(n);
    }
    return out;
  }

 private:
  int fd_ = -1;
  std::string path_;
  std::uint64_t end_ = 0;
  struct TCompressorFree {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
  };
  struct TDecompressorFree {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
  };
  std::unique_ptr<libdeflate_compressor, TCompressorFree> compressor_{libdeflate_alloc_compressor(1)};
  // Decompressing is stateless between calls: reading a page back does not change the store.
  std::unique_ptr<libdeflate_decompressor, TDecompressorFree> decompressor_{libdeflate_alloc_decompressor()};
  std::string out_;
};

}  // namespace detail

namespace {

constexpr std::size_t kChunkSize = std::size_t{256} << 10;

enum TTag : std::uint8_t {
  kText = 0, kRectangle = 1, kEllipse = 2, kLine = 3, kFillRect = 4, kBitmap = 5,
  kOpaque = 1 << 3, kClipped = 1 << 4, kClipRect = 1 << 5, kBackColor = 1 << 6
};

class TPacker {
 public:
  void U(std::uint64_t v) {
    while (v >= 0x80) {
      out_.push_back(static_cast<char>((v & 0x7F) | 0x80));
      v >>= 7;
    }
    out_.push_back(static_cast<char>(v));
  }
  void S(std::int64_t v) { U((static_cast<std::uint64_t>(v) << 1) ^ static_cast<std::uint64_t>(v >> 63)); }
  void Byte(std::uint8_t v) { out_.push_back(static_cast<char>(v)); }
  void Rect(const TRect& r) { S(r.Left); S(r.Top); S(r.Right); S(r.Bottom); }
  void Text(std::string_view t) { U(t.size()); out_.append(t); }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
};

class TUnpacker {
 public:
  explicit TUnpacker(std::string_view in) : p_(in.data()), end_(in.data() + in.size()) {}
  bool AtEnd() const { return p_ == end_; }
  std::uint64_t U() {
    std::uint64_t v = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      const auto b = static_cast<std::uint8_t>(Byte());
      v |= static_cast<std::uint64_t>(b & 0x7F) << shift;
      if ((b & 0x80) == 0) return v;
    }
    throw EInvalidData("Stored page is damaged");
  }
  std::int64_t S() {
    const std::uint64_t v = U();
    return static_cast<std::int64_t>(v >> 1) ^ -static_cast<std::int64_t>(v & 1);
  }
  int I() { return static_cast<int>(S()); }
  std::uint8_t Byte() {
    if (p_ == end_) throw EInvalidData("Stored page is damaged");
    return static_cast<std::uint8_t>(*p_++);
  }
  TRect Rect() { TRect r; r.Left = I(); r.Top = I(); r.Right = I(); r.Bottom = I(); return r; }
  std::string Text() {
    const std::uint64_t n = U();
    if (n > static_cast<std::uint64_t>(end_ - p_)) throw EInvalidData("Stored page is damaged");
    std::string t(p_, static_cast<std::size_t>(n));
    p_ += n;
    return t;
  }

 private:
  const char* p_;
  const char* end_;
};

std::uint32_t ColorBits(TColor c) { return static_cast<std::uint32_t>(c); }
TColor BitsColor(std::uint64_t v) { return static_cast<TColor>(static_cast<std::uint32_t>(v)); }

template <class T>
const T& At(const std::vector<T>& table, std::uint64_t i) {
  if (i >= table.size()) throw EInvalidData("Stored page is damaged");
  return table[static_cast<std::size_t>(i)];
}

}  // namespace

TMetafileStore::TMetafileStore(std::size_t memoryBudget) : budget_(memoryBudget) {}
TMetafileStore::~TMetafileStore() = default;
TMetafileStore::TMetafileStore(TMetafileStore&&) noexcept = default;
TMetafileStore& TMetafileStore::operator=(TMetafileStore&&) noexcept = default;

std::uint32_t TMetafileStore::FontIndex(const TFont& f) {
  std::string key = f.Name;
  key.push_back('\0');
  key.push_back(static_cast<char>(f.Charset));
  key.push_back(static_cast<char>(f.Pitch));
  key.push_back(static_cast<char>(f.Style.Bits()));
  key.append(reinterpret_cast<const char*>(&f.Size), sizeof f.Size);
  key.append(reinterpret_cast<const char*>(&f.Color), sizeof f.Color);
  key.append(reinterpret_cast<const char*>(&f.Orientation), sizeof f.Orientation);
  const auto [it, added] = fontIndex_.try_emplace(std::move(key), static_cast<std::uint32_t>(fonts_.size()));
  if (added) fonts_.push_back(f);
  return it->second;
}

std::uint32_t TMetafileStore::PenIndex(const TPen& p) {
  const std::uint64_t key = (std::uint64_t{ColorBits(p.Color)} << 32) ^
                            (static_cast<std::uint64_t>(static_cast<std::uint32_t>(p.Width)) << 3) ^
                            static_cast<std::uint64_t>(p.Style);
  const auto [it, added] = penIndex_.try_emplace(key, static_cast<std::uint32_t>(pens_.size()));
  if (added) {
    pens_.push_back(p);
  } else if (!(pens_[it->second] == p)) {
    // Two pens folded onto one key: look the pen up plainly.
    for (std::size_t i = 0; i < pens_.size(); ++i)
      if (pens_[i] == p) return static_cast<std::uint32_t>(i);
    pens_.push_back(p);
    return static_cast<std::uint32_t>(pens_.size() - 1);
  }
  return it->second;
}

std::uint32_t TMetafileStore::BrushIndex(const TBrush& b) {
  const std::uint64_t key = (std::uint64_t{ColorBits(b.Color)} << 8) | static_cast<std::uint64_t>(b.Style);
  const auto [it, added] = brushIndex_.try_emplace(key, static_cast<std::uint32_t>(brushes_.size()));
  if (added) brushes_.push_back(b);
  return it->second;
}

// 0 stands for no picture; a picture's index is its place in the table plus one.
std::uint32_t TMetafileStore::ImageIndex(const std::shared_ptr<const QImage>& image) {
  if (!image) return 0;
  const auto [it, added] = imageIndex_.try_emplace(image->cacheKey(), static_cast<std::uint32_t>(images_.size() + 1));
  if (added) {
    images_.push_back(image);
    imageBytes_ += static_cast<std::size_t>(image->sizeInBytes());
  }
  return it->second;
}

std::string TMetafileStore::Pack(const TMetafile& page) {
  TPacker w;
  w.S(page.Width);
  w.S(page.Height);
  w.U(page.Records.size());
  for (const TMetaRecord& rec : page.Records) {
    std::visit(
        [&](const auto& r) {
          using T = std::decay_t<decltype(r)>;
          if constexpr (std::is_same_v<T, MrText>) {
            std::uint8_t tag = kText;
            if (r.Opaque) tag |= kOpaque;
            if (r.Clipped) tag |= kClipped;
            if (r.Clip != TRect{}) tag |= kClipRect;
            if (r.BackColor != clWhite) tag |= kBackColor;
            w.Byte(tag);
            w.S(r.X);
            w.S(r.Y);
            w.U(FontIndex(r.Font));
            if (tag & kBackColor) w.U(ColorBits(r.BackColor));
            if (tag & kClipRect) w.Rect(r.Clip);
            w.Text(r.Text);
          } else if constexpr (std::is_same_v<T, MrRectangle> || std::is_same_v<T, MrEllipse>) {
            w.Byte(std::is_same_v<T, MrRectangle> ? kRectangle : kEllipse);
            w.Rect(r.R);
            w.U(PenIndex(r.Pen));
            w.U(BrushIndex(r.Brush));
          } else if constexpr (std::is_same_v<T, MrLine>) {
            w.Byte(kLine);
            w.S(r.From.X);
            w.S(r.From.Y);
            w.S(r.To.X);
            w.S(r.To.Y);
            w.U(PenIndex(r.Pen));
          } else if constexpr (std::is_same_v<T, MrFillRect>) {
            w.Byte(kFillRect);
            w.Rect(r.R);
            w.U(BrushIndex(r.Brush));
          } else {
            w.Byte(kBitmap);
            w.Rect(r.Dest);
            w.U(ImageIndex(r.Image));
          }
        },
        rec);
  }
  return w.Take();
}

TMetafile TMetafileStore::Unpack(std::string_view bytes) const {
  TUnpacker rd(bytes);
  TMetafile mf;
  mf.Width = rd.I();
  mf.Height = rd.I();
  const std::uint64_t count = rd.U();
  if (count > bytes.size()) throw EInvalidData("Stored page is damaged");
  mf.Records.reserve(static_cast<std::size_t>(count));
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint8_t tag = rd.Byte();
    switch (tag & 7) {
      case kText: {
        MrText t;
        t.X = rd.I();
        t.Y = rd.I();
        t.Font = At(fonts_, rd.U());
        t.Opaque = (tag & kOpaque) != 0;
        t.Clipped = (tag & kClipped) != 0;
        if (tag & kBackColor) t.BackColor = BitsColor(rd.U());
        if (tag & kClipRect) t.Clip = rd.Rect();
        t.Text = rd.Text();
        mf.Records.emplace_back(std::move(t));
        break;
      }
      case kRectangle:
      case kEllipse: {
        const TRect r = rd.Rect();
        const TPen& pen = At(pens_, rd.U());
        const TBrush& brush = At(brushes_, rd.U());
        if ((tag & 7) == kRectangle)
          mf.Records.emplace_back(MrRectangle{r, pen, brush});
        else
          mf.Records.emplace_back(MrEllipse{r, pen, brush});
        break;
      }
      case kLine: {
        TPoint from, to;
        from.X = rd.I();
        from.Y = rd.I();
        to.X = rd.I();
        to.Y = rd.I();
        mf.Records.emplace_back(MrLine{from, to, At(pens_, rd.U())});
        break;
      }
      case kFillRect: {
        const TRect r = rd.Rect();
        mf.Records.emplace_back(MrFillRect{r, At(brushes_, rd.U())});
        break;
      }
      case kBitmap: {
        const TRect dest = rd.Rect();
        const std::uint64_t image = rd.U();
        mf.Records.emplace_back(MrBitmap{dest, image == 0 ? nullptr : At(images_, image - 1)});
        break;
      }
      default:
        throw EInvalidData("Stored page is damaged");
    }
  }
  return mf;
}

std::uint64_t TMetafileStore::StoreInMemory(std::string_view bytes) {
  const bool fits = !chunks_.empty() && chunkUsed_.back() + bytes.size() <= kChunkSize;
  if (!fits) {
    const std::size_t size = std::max(kChunkSize, bytes.size());
    chunks_.push_back(std::make_unique_for_overwrite<char[]>(size));
    chunkUsed_.push_back(0);
    chunkBytes_ += size;
  }
  const std::size_t chunk = chunks_.size() - 1;
  const std::size_t at = chunkUsed_.back();
  std::memcpy(chunks_.back().get() + at, bytes.data(), bytes.size());
  chunkUsed_.back() += bytes.size();
  return (static_cast<std::uint64_t>(chunk) << 32) | at;
}

std::string_view TMetafileStore::InMemory(const TPageRef& ref) const {
  const std::size_t chunk = static_cast<std::size_t>(ref.Offset >> 32);
  const std::size_t at = static_cast<std::size_t>(ref.Offset & 0xFFFFFFFFu);
  return std::string_view(chunks_[chunk].get() + at, ref.Size);
}

void TMetafileStore::Add(const TMetafile& page) {
  const std::string packed = Pack(page);
  TPageRef ref;
  ref.RawSize = static_cast<std::uint32_t>(packed.size());
  const bool fitsInMemory = budget_ == 0 || MemoryBytes() + packed.size() <= budget_;
  if (fitsInMemory && pagesOnDisk_ == 0) {
    ref.Size = ref.RawSize;
    ref.Offset = StoreInMemory(packed);
  } else {
    if (!spill_) spill_ = std::make_unique<detail::TPageSpillFile>();
    const auto [offset, size] = spill_->AppendCompressed(packed);
    ref.Offset = offset;
    ref.Size = size;
    ref.OnDisk = true;
    ++pagesOnDisk_;
  }
  pages_.push_back(ref);
}

void TMetafileStore::Replace(int index, const TMetafile& page) {
  TPageRef& ref = pages_.at(static_cast<std::size_t>(index));
  const std::string packed = Pack(page);
  const auto size = static_cast<std::uint32_t>(packed.size());
  if (ref.OnDisk) {
    const auto [offset, stored] = spill_->AppendCompressed(packed);
    ref.Offset = offset;
    ref.Size = stored;
  } else if (size <= ref.Size) {
    const std::size_t chunk = static_cast<std::size_t>(ref.Offset >> 32);
    const std::size_t at = static_cast<std::size_t>(ref.Offset & 0xFFFFFFFFu);
    std::memcpy(chunks_[chunk].get() + at, packed.data(), packed.size());
    ref.Size = size;
  } else {
    ref.Offset = StoreInMemory(packed);
    ref.Size = size;
  }
  ref.RawSize = size;
}

TMetafile TMetafileStore::Page(int index) const {
  const TPageRef& ref = pages_.at(static_cast<std::size_t>(index));
  if (!ref.OnDisk) return Unpack(InMemory(ref));
  return Unpack(spill_->ReadUncompressed(ref.Offset, ref.Size, ref.RawSize));
}

void TMetafileStore::Clear() { *this = TMetafileStore(budget_); }

std::size_t TMetafileStore::MemoryBytes() const {
  std::size_t fontBytes = 0;
  for (const TFont& f : fonts_) fontBytes += sizeof f + f.Name.capacity();
  return chunkBytes_ + pages_.capacity() * sizeof(TPageRef) + fontBytes + pens_.size() * sizeof(TPen) +
         brushes_.size() * sizeof(TBrush) + images_.size() * sizeof(images_[0]) + imageBytes_;
}

}  // namespace oxqr
