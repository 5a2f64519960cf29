// The printer and its page store. Every page is a metafile as large as the paper in
// device pixels; the canvas records into the page being printed.
#include "Printer.h"

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
  pages_.push_back(std::make_shared<TMetafile>(ToDeviceWidth(PaperWidth), ToDeviceHeight(PaperLength)));
  currentPage_ = PageCount();
  canvas_ = std::make_unique<TMetafileCanvas>(*pages_.back());
}

TCanvas& TQRPrinter::Canvas() {
  if (!canvas_) throw std::logic_error("TQRPrinter::Canvas: no page is being printed");
  return *canvas_;
}

void TQRPrinter::SetCurrentPage(int n) { currentPage_ = n; }

const TMetafile* TQRPrinter::PageMetafile() const { return Page(currentPage_); }

const TMetafile* TQRPrinter::Page(int n) const {
  if (n < 1 || n > PageCount()) return nullptr;
  return pages_[static_cast<std::size_t>(n - 1)].get();
}

TMetafile* TQRPrinter::PrintingPage() { return pages_.empty() ? nullptr : pages_.back().get(); }

void TQRPrinter::Clear() {
  canvas_.reset();
  pages_.clear();
  currentPage_ = 0;
}

}  // namespace oxqr
