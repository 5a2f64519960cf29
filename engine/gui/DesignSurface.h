#pragma once
// The design surface of a report: the paper at the report's Zoom with its margins and page
// frame, the bands in print order at their heights and colours (each named by its type),
// and every control at its rectangle in design state (captions, field names, shapes,
// pictures, charts). Surface labels sit on the paper outside every band: they show here
// and are never printed, because the report's layout does not know them.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QWidget>

#include "engine/Band.h"
#include "platform/Font.h"
#include "platform/Types.h"

namespace oxqr {

class TBitmap;
class TCanvas;
class TQRCustomReport;
class TQRPrintable;

// A caption placed on the paper, not in a band (Native position from the paper's corner).
struct TQRSurfaceLabel {
  std::string Caption;
  TFont Font;
  double Left = 0;
  double Top = 0;
};

// Draws one control of a kind the surface does not know (e.g. rich text) into `r`
// (pixels at 100 %); answers whether it drew.
using TQRDesignPainter = std::function<bool(const TQRPrintable& control, TCanvas& canvas, const TRect& r)>;

// The band type as the designer names it ("Title", "Page Header", "Sub Detail").
std::string BandTypeName(TQRBandType type);
// The report's bands in the order a page prints them: page header, title, column header,
// group headers, detail and sub-details as declared, group footers, summary, page footer;
// a child band follows its parent.
std::vector<TQRCustomBand*> BandsInPrintOrder(const TQRCustomReport& report);

class TQRDesignSurface final : public QWidget {
 public:
  // Shows `report`, which must outlive the surface.
  explicit TQRDesignSurface(TQRCustomReport& report, QWidget* parent = nullptr);
  ~TQRDesignSurface() override;

  TQRCustomReport& Report() const { return report_; }
  std::vector<TQRSurfaceLabel>& SurfaceLabels() { return labels_; }
  // Adds a painter consulted before the surface's own drawing of each control.
  void AddPainter(TQRDesignPainter painter) { painters_.push_back(std::move(painter)); }

  // Paper size in pixels at the report's zoom.
  QSize PaperSize() const;
  QSize sizeHint() const override { return PaperSize(); }
  // The top of each band in pixels at 100 % from the paper's top, in print order.
  std::vector<std::pair<const TQRCustomBand*, TRect>> BandRects() const;
  // Paints the surface at 100 % onto `canvas` (pixels from the paper's corner).
  void PaintSurface(TCanvas& canvas);
  // Paints one control as the surface draws it, in the band at `bandRect` (pixels at 100 %).
  void PaintControl(TCanvas& canvas, const TQRPrintable& control, const TRect& bandRect);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void PaintBand(TCanvas& canvas, const TQRCustomBand& band, const TRect& r);
  const TBitmap* ChartPicture(const TQRPrintable& control, int width, int height);
  double Scale() const;

  TQRCustomReport& report_;
  std::vector<TQRSurfaceLabel> labels_;
  std::vector<TQRDesignPainter> painters_;
  std::map<const TQRPrintable*, std::unique_ptr<TBitmap>> charts_;  // rendered once
};

}  // namespace oxqr
