// The binary form of a page metafile: "OXMF", a version, the page size, the record
// count, then each record as a tag byte and its fields, little endian. Pictures are
// stored as PNG. The reader checks every length against the bytes that are left, so
// damaged input raises EInvalidData instead of allocating or reading past the end.
#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

#include <QBuffer>
#include <QByteArray>

#include "Errors.h"
#include "Metafile.h"
#include "Streams.h"

namespace oxqr {
namespace {

constexpr char kMagic[4] = {'O', 'X', 'M', 'F'};
constexpr std::uint16_t kVersion = 1;
constexpr int kMaxPageSide = 1 << 20;
// Limits far beyond any real page that keep arithmetic on damaged values in range.
constexpr std::int32_t kMaxCoordinate = 1 << 24;
constexpr std::int32_t kMaxPenWidth = 10000;
constexpr std::int32_t kMaxFontSize = 10000;
constexpr std::uint8_t kTurned = 0x80;  // font style flag: an orientation follows

class Writer {
 public:
  explicit Writer(TStream& s) : s_(s) {}
  void U8(std::uint8_t v) { s_.WriteByte(v); }
  void I32(std::int32_t v) { s_.WriteU32(static_cast<std::uint32_t>(v)); }
  void U32(std::uint32_t v) { s_.WriteU32(v); }
  void Bytes(std::string_view b) {
    U32(static_cast<std::uint32_t>(b.size()));
    s_.Write(b);
  }
  void Rect(const TRect& r) { I32(r.Left); I32(r.Top); I32(r.Right); I32(r.Bottom); }
  void Point(const TPoint& p) { I32(p.X); I32(p.Y); }
  void Font(const TFont& f) {
    U8(f.Charset);
    Bytes(f.Name);
    U8(static_cast<std::uint8_t>(f.Pitch));
    I32(f.Size);
    I32(f.Color);
    // A turned font sets the style byte's top bit and follows it with its orientation, so
    // that pages of upright text keep the bytes they always had.
    if (f.Orientation == 0) {
      U8(f.Style.Bits());
    } else {
      U8(f.Style.Bits() | kTurned);
      I32(f.Orientation);
    }
  }
  void Pen(const TPen& p) { I32(p.Color); I32(p.Width); U8(static_cast<std::uint8_t>(p.Style)); }
  void Brush(const TBrush& b) { I32(b.Color); U8(static_cast<std::uint8_t>(b.Style)); }

 private:
  TStream& s_;
};

class Reader {
 public:
  explicit Reader(TStream& s) : s_(s) {}
  std::int64_t Left() const { return s_.Size() - s_.Position(); }
  void Raw(void* data, std::size_t n) {
    if (s_.Read(data, n) != n) throw EInvalidData("Page data is truncated");
  }
  std::uint8_t U8() { std::uint8_t v; Raw(&v, 1); return v; }
  std::uint32_t U32() {
    std::uint8_t b[4];
    Raw(b, 4);
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
  }
  std::uint16_t U16() {
    std::uint8_t b[2];
    Raw(b, 2);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
  }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  std::string Bytes() {
    const std::uint32_t n = U32();
    if (n > Left()) throw EInvalidData("Page data is truncated");
    std::string out(n, '\0');
    Raw(out.data(), n);
    return out;
  }
  template <typename E>
  E Enum(std::uint8_t count) {
    const std::uint8_t v = U8();
    if (v >= count) throw EInvalidData("Page data holds an unknown style");
    return static_cast<E>(v);
  }
  std::int32_t Ranged(std::int32_t lo, std::int32_t hi) {
    const std::int32_t v = I32();
    if (v < lo || v > hi) throw EInvalidData("Page data holds a value out of range");
    return v;
  }
  std::int32_t Coord() { return Ranged(-kMaxCoordinate, kMaxCoordinate); }
  TRect Rect() { TRect r; r.Left = Coord(); r.Top = Coord(); r.Right = Coord(); r.Bottom = Coord(); return r; }
  TPoint Point() { TPoint p; p.X = Coord(); p.Y = Coord(); return p; }
  TFont Font() {
    TFont f;
    f.Charset = U8();
    f.Name = Bytes();
    f.Pitch = Enum<TFontPitch>(3);
    f.Size = Ranged(-kMaxFontSize, kMaxFontSize);
    f.Color = I32();
    const std::uint8_t style = U8();
    f.Style = TFontStyles::FromBits(style);
    if (style & kTurned) f.Orientation = Ranged(-3600, 3600);
    return f;
  }
  TPen Pen() {
    TPen p;
    p.Color = I32();
    p.Width = Ranged(0, kMaxPenWidth);
    p.Style = Enum<TPenStyle>(7);
    return p;
  }
  TBrush Brush() {
    TBrush b;
    b.Color = I32();
    b.Style = Enum<TBrushStyle>(8);
    return b;
  }

 private:
  TStream& s_;
};

std::string EncodePng(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// The PNG of a picture, encoded once for the few pictures met last: the same logo on
// every page of a saved report is one picture (pages share it, so its cache key stays),
// and encoding it again per page cost more than writing all the rest. A cache key names
// one picture's pixels for the life of the process, so a kept encoding is never stale.
std::shared_ptr<const std::string> CachedPng(const QImage& image) {
  constexpr std::size_t kKept = 4;
  constexpr qsizetype kLargest = qsizetype{1} << 20;  // larger pictures are not kept
  static std::mutex mutex;
  static std::vector<std::pair<qint64, std::shared_ptr<const std::string>>> recent;
  const qint64 key = image.cacheKey();
  {
    const std::lock_guard lock(mutex);
    const auto hit = std::find_if(recent.begin(), recent.end(), [key](const auto& e) { return e.first == key; });
    if (hit != recent.end()) {
      std::rotate(recent.begin(), hit, hit + 1);
      return recent.front().second;
    }
  }
  auto png = std::make_shared<const std::string>(EncodePng(image));
  if (image.sizeInBytes() <= kLargest) {
    const std::lock_guard lock(mutex);
    if (recent.size() == kKept) recent.pop_back();
    recent.insert(recent.begin(), {key, png});
  }
  return png;
}

void WriteRecord(Writer& w, const TMetaRecord& rec) {
  w.U8(static_cast<std::uint8_t>(rec.index()));
  std::visit(
      [&](const auto& r) {
        using T = std::decay_t<decltype(r)>;
        if constexpr (std::is_same_v<T, MrText>) {
          w.I32(r.X);
          w.I32(r.Y);
          w.Bytes(r.Text);
          w.Font(r.Font);
          w.U8(r.Opaque);
          w.I32(r.BackColor);
          w.U8(r.Clipped);
          w.Rect(r.Clip);
        } else if constexpr (std::is_same_v<T, MrRectangle> || std::is_same_v<T, MrEllipse>) {
          w.Rect(r.R);
          w.Pen(r.Pen);
          w.Brush(r.Brush);
        } else if constexpr (std::is_same_v<T, MrLine>) {
          w.Point(r.From);
          w.Point(r.To);
          w.Pen(r.Pen);
        } else if constexpr (std::is_same_v<T, MrFillRect>) {
          w.Rect(r.R);
          w.Brush(r.Brush);
        } else if constexpr (std::is_same_v<T, MrBitmap>) {
          w.Rect(r.Dest);
          w.Bytes(r.Image ? *CachedPng(*r.Image) : std::string());
        }
      },
      rec);
}

TMetaRecord ReadRecord(Reader& rd) {
  switch (rd.U8()) {
    case 0: {
      MrText r;
      r.X = rd.Coord();
      r.Y = rd.Coord();
      r.Text = rd.Bytes();
      r.Font = rd.Font();
      r.Opaque = rd.U8() != 0;
      r.BackColor = rd.I32();
      r.Clipped = rd.U8() != 0;
      r.Clip = rd.Rect();
      return r;
    }
    case 1: {
      MrRectangle r;
      r.R = rd.Rect();
      r.Pen = rd.Pen();
      r.Brush = rd.Brush();
      return r;
    }
    case 2: {
      MrEllipse r;
      r.R = rd.Rect();
      r.Pen = rd.Pen();
      r.Brush = rd.Brush();
      return r;
    }
    case 3: {
      MrLine r;
      r.From = rd.Point();
      r.To = rd.Point();
      r.Pen = rd.Pen();
      return r;
    }
    case 4: {
      MrFillRect r;
      r.R = rd.Rect();
      r.Brush = rd.Brush();
      return r;
    }
    case 5: {
      MrBitmap r;
      r.Dest = rd.Rect();
      const std::string png = rd.Bytes();
      if (!png.empty()) {
        QImage img;
        if (!img.loadFromData(reinterpret_cast<const uchar*>(png.data()), static_cast<int>(png.size()), "PNG"))
          throw EInvalidData("Page data holds a damaged picture");
        r.Image = std::make_shared<const QImage>(std::move(img));
      }
      return r;
    }
    default:
      throw EInvalidData("Page data holds an unknown record");
  }
}

bool SameImage(const std::shared_ptr<const QImage>& a, const std::shared_ptr<const QImage>& b) {
  if (!a || !b) return !a == !b;
  if (a == b) return true;
  if (a->size() != b->size()) return false;
  return a->convertToFormat(QImage::Format_ARGB32) == b->convertToFormat(QImage::Format_ARGB32);
}

bool RecordsEqual(const TMetaRecord& a, const TMetaRecord& b) {
  if (a.index() != b.index()) return false;
  return std::visit(
      [&](const auto& x) {
        using T = std::decay_t<decltype(x)>;
        const T& y = std::get<T>(b);
        if constexpr (std::is_same_v<T, MrText>) {
          return x.X == y.X && x.Y == y.Y && x.Text == y.Text && x.Font == y.Font && x.Opaque == y.Opaque &&
                 x.BackColor == y.BackColor && x.Clipped == y.Clipped && x.Clip == y.Clip;
        } else if constexpr (std::is_same_v<T, MrRectangle> || std::is_same_v<T, MrEllipse>) {
          return x.R == y.R && x.Pen == y.Pen && x.Brush == y.Brush;
        } else if constexpr (std::is_same_v<T, MrLine>) {
          return x.From == y.From && x.To == y.To && x.Pen == y.Pen;
        } else if constexpr (std::is_same_v<T, MrFillRect>) {
          return x.R == y.R && x.Brush == y.Brush;
        } else {
          return x.Dest == y.Dest && SameImage(x.Image, y.Image);
        }
      },
      a);
}

}  // namespace

void TMetafile::SaveToStream(TStream& s) const {
  // The page is built in memory and handed over in one write: its fields are a few bytes
  // each, and a file stream pays a call and a lock per write.
  thread_local TMemoryStream page;
  page.Clear();
  Writer w(page);
  page.Write(kMagic, sizeof kMagic);
  page.WriteU16(kVersion);
  w.I32(Width);
  w.I32(Height);
  w.U32(static_cast<std::uint32_t>(Records.size()));
  for (const TMetaRecord& r : Records) WriteRecord(w, r);
  s.Write(page.Bytes());
  if (page.Bytes().capacity() > (std::size_t{1} << 22)) page = TMemoryStream();  // not kept for big pictures
}

TMetafile TMetafile::LoadFromStream(TStream& s) {
  Reader rd(s);
  char magic[4];
  rd.Raw(magic, 4);
  if (std::string_view(magic, 4) != std::string_view(kMagic, 4)) throw EInvalidData("Not a page metafile");
  if (rd.U16() != kVersion) throw EInvalidData("Unsupported page metafile version");
  TMetafile mf;
  mf.Width = rd.I32();
  mf.Height = rd.I32();
  if (mf.Width < 0 || mf.Height < 0 || mf.Width > kMaxPageSide || mf.Height > kMaxPageSide)
    throw EInvalidData("Page metafile has an impossible size");
  const std::uint32_t count = rd.U32();
  if (count > rd.Left()) throw EInvalidData("Page data is truncated");  // every record has a tag byte
  mf.Records.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) mf.Records.push_back(ReadRecord(rd));
  return mf;
}

bool SameRecord(const TMetaRecord& a, const TMetaRecord& b) { return RecordsEqual(a, b); }

bool operator==(const TMetafile& a, const TMetafile& b) {
  if (a.Width != b.Width || a.Height != b.Height || a.Records.size() != b.Records.size()) return false;
  for (std::size_t i = 0; i < a.Records.size(); ++i)
    if (!RecordsEqual(a.Records[i], b.Records[i])) return false;
  return true;
}

}  // namespace oxqr
