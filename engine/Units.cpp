// Unit conversions of the report. Native is a tenth of a millimetre; Pixels are screen
// pixels at 96 per inch scaled by the zoom; Characters are a 10-per-inch character grid.
#include "EngineTypes.h"

#include "platform/TextMetrics.h"

namespace oxqr {
namespace {

// Native units in one unit of `u`.
double NativePerUnit(TQRUnit u, int zoom) {
  switch (u) {
    case TQRUnit::MM: return NativePerMM;
    case TQRUnit::Inches: return NativePerInch;
    case TQRUnit::Pixels: return NativePerInch / ScreenPPI * 100.0 / (zoom > 0 ? zoom : 100);
    case TQRUnit::Characters: return NativePerInch / 10.0;
    case TQRUnit::Native: return 1.0;
  }
  return 1.0;
}

}  // namespace

double ConvertUnits(double value, TQRUnit from, TQRUnit to, int zoom) {
  if (from == to) return value;
  return value * NativePerUnit(from, zoom) / NativePerUnit(to, zoom);
}

}  // namespace oxqr
