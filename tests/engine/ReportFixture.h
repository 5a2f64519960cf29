#pragma once
// Small reports built in code for the engine tests.
#include <string>

#include "engine/Controls.h"
#include "engine/Report.h"

namespace oxqr::test {

// A4 without margins: 2970 Native of page length for the bands.
inline void NoMargins(TQRCustomReport& report) {
  report.Page.SetPaper(TQRPaperSize::A4);
  report.Page.SetMarginsMM(0, 0, 0, 0);
}

inline TQRCustomBand& AddBand(TQRCustomReport& report, TQRBandType type, double heightNative) {
  auto& band = report.AddBand<TQRCustomBand>(type);
  band.Size.Height = heightNative;
  return band;
}

inline TQRLabel& AddLabel(TQRCustomBand& band, const std::string& caption, double left = 0, double top = 0,
                          double width = 500, double height = 45) {
  auto& label = band.Add<TQRLabel>();
  label.Caption = caption;
  label.Size = TQRSize{height, left, top, width};
  return label;
}

}  // namespace oxqr::test
