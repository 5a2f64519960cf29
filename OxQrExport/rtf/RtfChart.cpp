// TOxQRRTFFilter: charts as pictures of their shapes, drawn at four times the page's
// pixels so that edges stay sharp when a reader scales the picture back to the box; the
// texts follow as text.
#include "OxQrExport/rtf/RtfFilter.h"
#include "engine/ChartDrawing.h"
#include "platform/Bitmap.h"

namespace oxqr {

std::string TOxQRRTFFilter::RenderChart(const TQRPrintable&, const TChartDrawing& Drawing) {
  if (!QRExportSettings().RTF.ExportImages || Drawing.Box.Width() <= 0 || Drawing.Box.Height() <= 0) return {};
  constexpr int kScale = 4;
  const auto picture = ChartShapesBitmap(Drawing, kScale);
  const double left = Drawing.NativeX(0);
  const double top = Drawing.NativeY(0);
  const TOxQrRect rect = MappedRect(TOxQrRect{left, top, Drawing.NativeX(Drawing.Box.Width()) - left,
                                              Drawing.NativeY(Drawing.Box.Height()) - top});
  return PictureGroup(*picture, rect, Drawing.Box.Height(), Drawing.Box.Width(), false, nullptr);
}

}  // namespace oxqr
