// The prepared-report file (.QRP): our own little-endian binary layout.
//   "OXQRP", u16 version, u32 title length + title bytes, u8 orientation,
//   f64 paper width, f64 paper length (Native), u32 page count, then each page as
//   TMetafile::SaveToStream writes it.
// Loading checks every length against the bytes left, so a damaged file raises
// EInvalidData and leaves the printer as it was.
#include <bit>
#include <cmath>
#include <cstring>

#include "Printer.h"
#include "platform/Errors.h"
#include "platform/Streams.h"
#include "platform/SafeFile.h"

namespace oxqr {
namespace {

constexpr char kMagic[5] = {'O', 'X', 'Q', 'R', 'P'};
constexpr std::uint16_t kVersion = 1;

void WriteF64(TStream& s, double v) {
  const auto bits = std::bit_cast<std::uint64_t>(v);
  s.WriteU32(static_cast<std::uint32_t>(bits));
  s.WriteU32(static_cast<std::uint32_t>(bits >> 32));
}

class Reader {
 public:
  explicit Reader(TStream& s) : s_(s) {}
  void Bytes(void* out, std::size_t n) {
    if (s_.Read(out, n) != n) throw EInvalidData("Prepared report file is truncated");
  }
  std::uint64_t Uint(int bytes) {
    unsigned char b[8] = {};
    Bytes(b, static_cast<std::size_t>(bytes));
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[i];
    return v;
  }
  double F64() { return std::bit_cast<double>(Uint(8)); }
  std::int64_t Left() const { return s_.Size() - s_.Position(); }

 private:
  TStream& s_;
};

double ReadPaperLength(Reader& r) {
  const double v = r.F64();
  if (!std::isfinite(v) || v <= 0 || v > 1e6) throw EInvalidData("Prepared report file has an invalid paper size");
  return v;
}

}  // namespace

void TQRPrinter::SaveToStream(TStream& s) const {
  s.Write(kMagic, sizeof kMagic);
  s.WriteU16(kVersion);
  s.WriteU32(static_cast<std::uint32_t>(Title.size()));
  s.Write(Title);
  s.WriteByte(static_cast<std::uint8_t>(Orientation));
  WriteF64(s, PaperWidth);
  WriteF64(s, PaperLength);
  s.WriteU32(static_cast<std::uint32_t>(PageCount()));
  for (int i = 0; i < store_.Count(); ++i) store_.Page(i).SaveToStream(s);
  if (printing_) printing_->SaveToStream(s);
}

void TQRPrinter::LoadFromStream(TStream& s) {
  Reader r(s);
  char magic[sizeof kMagic];
  r.Bytes(magic, sizeof magic);
  if (std::memcmp(magic, kMagic, sizeof kMagic) != 0) throw EInvalidData("Not a prepared report file");
  if (r.Uint(2) != kVersion) throw EInvalidData("Unsupported prepared report file version");

  const auto titleLength = r.Uint(4);
  if (static_cast<std::int64_t>(titleLength) > r.Left()) throw EInvalidData("Prepared report file is truncated");
  std::string title(titleLength, '\0');
  r.Bytes(title.data(), title.size());
  const auto orientation = r.Uint(1);
  if (orientation > static_cast<std::uint64_t>(TPrinterOrientation::poLandscape))
    throw EInvalidData("Prepared report file has an invalid orientation");
  const double width = ReadPaperLength(r);
  const double length = ReadPaperLength(r);

  const auto count = r.Uint(4);
  if (static_cast<std::int64_t>(count) > r.Left()) throw EInvalidData("Prepared report file is truncated");
  TMetafileStore pages(store_.MemoryBudget());
  for (std::uint64_t i = 0; i < count; ++i) {
    try {
      pages.Add(TMetafile::LoadFromStream(s));
    } catch (const EInvalidData&) {
      throw;
    } catch (const EFileError&) {
      throw;
    } catch (const std::exception& e) {
      throw EInvalidData(std::string("Prepared report file has a damaged page: ") + e.what());
    }
  }

  // Everything read: replace the printer's state in one go.
  Clear();
  Title = std::move(title);
  Orientation = static_cast<TPrinterOrientation>(orientation);
  PaperWidth = width;
  PaperLength = length;
  store_ = std::move(pages);
  currentPage_ = store_.Count() == 0 ? 0 : 1;
}

void TQRPrinter::SaveToFile(const std::string& fileName) const {
  // Written whole or not at all: a failed save keeps the previous file.
  TSafeFileStream f(fileName);
  SaveToStream(f);
  f.Commit();
}

void TQRPrinter::LoadFromFile(const std::string& fileName) {
  TFileStream f(fileName, TFileMode::fmOpenRead);
  LoadFromStream(f);
}

}  // namespace oxqr
