#include "PagePrinting.h"

#include <algorithm>

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>

#include "engine/Report.h"
#include "platform/Metafile.h"

namespace oxqr {

void SetUpPrinter(QPrinter& printer, const TQRCustomReport& report) {
  const TQRPage& page = report.Page;
  QPageSize size;
  switch (page.PaperSize) {
    case TQRPaperSize::A4: size = QPageSize(QPageSize::A4); break;
    case TQRPaperSize::Letter: size = QPageSize(QPageSize::Letter); break;
    case TQRPaperSize::Custom: {
      // Native is a tenth of a millimetre; the page's width and length are portrait.
      const double w = std::min(page.NativeWidth, page.NativeLength) / 10.0;
      const double h = std::max(page.NativeWidth, page.NativeLength) / 10.0;
      size = QPageSize(QSizeF(w, h), QPageSize::Millimeter);
      break;
    }
  }
  printer.setFullPage(true);
  printer.setPageSize(size);
  printer.setPageOrientation(page.Orientation == TPrinterOrientation::poLandscape ? QPageLayout::Landscape
                                                                                   : QPageLayout::Portrait);
  printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
  if (printer.docName().isEmpty()) printer.setDocName(QString::fromStdString(report.ReportTitle));
}

bool PrintPages(const TQRPrinter& pages, QPrinter& printer, int from, int to) {
  const int count = pages.PageCount();
  from = std::max(1, from);
  to = to <= 0 ? count : std::min(to, count);
  if (from > to) return false;
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  painter.setRenderHint(QPainter::Antialiasing);
  // Stored pages are in screen pixels (96 per inch).
  const double scale = printer.resolution() / 96.0;
  for (int n = from; n <= to; ++n) {
    if (n > from) printer.newPage();
    if (const TMetafile* page = pages.Page(n)) PlayMetafile(painter, *page, 0, 0, scale);
  }
  return painter.end();
}

}  // namespace oxqr
