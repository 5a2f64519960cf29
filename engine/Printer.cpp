// The printer and its page store. Every page is a metafile as large as the paper in
// device pixels; the canvas records into the page being printed, which is packed into
// the store when the next page starts.
#include "Printer.h"

#include <algorithm>
#include <stdexcept>

#include "platform/TextMetrics.h"
#include "platform/Types.h"

namespace oxqr {

TQRPrinter::TQRPrinter() : xFactor_(ScreenPPI / NativePerInch), yFactor_(ScreenPPI / NativePerInch) {}

TQRPrinter::~TQRPrinter() = default;

int TQRPrinter::ToDeviceX(double x) const { return static_cast<int>(RoundHalfEven(x * xFactor_)); }
int TQRPrinter::ToDeviceY(double y) const { return static_cast<int>(RoundHalfEven(y * yFactor_)); }
int TQRPrinter::ToDeviceWidth(double w) const { return static_cast<int>(RoundHalfEven(w * xFactor_)); }
int TQRPrinter::ToDeviceHeight(double h) const { return static_cast<int>(RoundHalfEven(h * yFactor_)); }

void TQRPrinter::NewPage() {
  auto page = std::make_unique<TMetafile>(ToDeviceWidth(PaperWidth), ToDeviceHeight(PaperLength));
  if (printing_ && !keepsPages_) {
    ++droppedPages_;
  } else if (printing_) {
    store_.Add(*printing_);
    // The finished page is the store's last page as it would be unpacked: keep it as
    // the most recently read, so a pointer to it stays valid a while longer.
    std::rotate(cache_.begin(), cache_.end() - 1, cache_.end());
    cache_.front() = TCachedPage{store_.Count(), std::move(printing_)};
  }
  printing_ = std::move(page);
  currentPage_ = PageCount();
  canvas_ = std::make_unique<TMetafileCanvas>(*printing_);
}

std::size_t TQRPrinter::PageStoreBytes() const {
  std::size_t bytes = store_.MemoryBytes();
  if (printing_) bytes += sizeof(TMetafile) + printing_->Records.capacity() * sizeof(TMetaRecord);
  return bytes;
}

TCanvas& TQRPrinter::Canvas() {
  if (!canvas_) throw std::logic_error("TQRPrinter::Canvas: no page is being printed");
  return *canvas_;
}

void TQRPrinter::SetCurrentPage(int n) { currentPage_ = n; }

const TMetafile* TQRPrinter::PageMetafile() const { return Page(currentPage_); }

const TMetafile* TQRPrinter::Page(int n) const {
  if (n < 1 || n > PageCount()) return nullptr;
  if (n > store_.Count() + droppedPages_) return printing_.get();
  if (n > store_.Count()) return nullptr;
  auto hit = std::find_if(cache_.begin(), cache_.end(), [n](const TCachedPage& c) { return c.Number == n; });
  if (hit == cache_.end()) {
    hit = cache_.end() - 1;  // the least recently read
    hit->Page = std::make_unique<TMetafile>(store_.Page(n - 1));
    hit->Number = n;
  }
  std::rotate(cache_.begin(), hit, hit + 1);
  return cache_.front().Page.get();
}

TMetafile* TQRPrinter::PrintingPage() { return printing_.get(); }

void TQRPrinter::ReplacePage(int n, const TMetafile& page) {
  if (n < 1 || n > PageCount()) throw std::out_of_range("TQRPrinter::ReplacePage: no page " + std::to_string(n));
  if (n > store_.Count() + droppedPages_) {
    printing_->Records = page.Records;  // the canvas keeps recording into the same page
    return;
  }
  if (n > store_.Count()) return;
  store_.Replace(n - 1, page);
  for (TCachedPage& cached : cache_)
    if (cached.Number == n) cached = TCachedPage{};
}

void TQRPrinter::Clear() {
  canvas_.reset();
  printing_.reset();
  cache_ = {};
  store_.Clear();
  currentPage_ = 0;
  droppedPages_ = 0;
}

}  // namespace oxqr
