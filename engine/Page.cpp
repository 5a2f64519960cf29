#include "Report.h"

#include <utility>

namespace oxqr {

double TQRPage::Read(double native) const {
  return ConvertUnits(native, TQRUnit::Native, report_.Units(), report_.Zoom());
}

double TQRPage::BottomMargin() const { return Read(NativeBottomMargin); }
double TQRPage::Length() const { return Read(NativeLength); }
double TQRPage::TopMargin() const { return Read(NativeTopMargin); }
double TQRPage::Width() const { return Read(NativeWidth); }
double TQRPage::LeftMargin() const { return Read(NativeLeftMargin); }
double TQRPage::RightMargin() const { return Read(NativeRightMargin); }

void TQRPage::SetPaper(TQRPaperSize size) {
  PaperSize = size;
  switch (size) {
    case TQRPaperSize::A4: NativeWidth = 2100; NativeLength = 2970; break;
    case TQRPaperSize::Letter: NativeWidth = 2159; NativeLength = 2794; break;
    case TQRPaperSize::Custom: return;  // keeps the width and length set by hand
  }
  if (Orientation == TPrinterOrientation::poLandscape) std::swap(NativeWidth, NativeLength);
}

void TQRPage::SetMarginsMM(double top, double bottom, double left, double right) {
  NativeTopMargin = top * NativePerMM;
  NativeBottomMargin = bottom * NativePerMM;
  NativeLeftMargin = left * NativePerMM;
  NativeRightMargin = right * NativePerMM;
}

}  // namespace oxqr
