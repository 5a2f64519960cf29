#include "Printable.h"

#include "Layout.h"
#include "Printer.h"
#include "Report.h"

namespace oxqr {

TQRPrintable::TQRPrintable() = default;
TQRPrintable::~TQRPrintable() = default;

void TQRPrintable::SetBoundsMM(double left, double top, double width, double height) {
  Size.Left = left * NativePerMM;
  Size.Top = top * NativePerMM;
  Size.Width = width * NativePerMM;
  Size.Height = height * NativePerMM;
}

TQRPrinter* TQRPrintable::ParentPrinter() const {
  if (report_ == nullptr || TQRLayout::Of(*report_) == nullptr) return nullptr;
  return &report_->QRPrinter();
}

TRect TQRPrintable::DeviceRect(int OffsetX, int OffsetY) const {
  return NativeToDevice(ParentPrinter(), OffsetX + Size.Left, OffsetY + Size.Top, Size.Width, Size.Height);
}

void TQRPrintable::Print(int OffsetX, int OffsetY) {
  if (!Frame.AnyFrame()) return;
  if (TCanvas* canvas = FinalCanvas(*this)) Frame.Paint(*canvas, DeviceRect(OffsetX, OffsetY));
}

}  // namespace oxqr
