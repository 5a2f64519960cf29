#pragma once
// Printing the stored pages of a preview on a QPrinter (a printer or a PDF file): paper
// and orientation from the report's Page, each page played at the printer's resolution
// with its origin at the paper's corner.
class QPrinter;

namespace oxqr {

class TQRCustomReport;
class TQRPrinter;

// Paper size (A4, Letter or the page's own size), orientation and full-page mode.
void SetUpPrinter(QPrinter& printer, const TQRCustomReport& report);
// Plays pages `from`..`to` (1-based, clamped; `to` 0 = the last) one per sheet. Answers
// false when the printer could not be started or there is no page.
bool PrintPages(const TQRPrinter& pages, QPrinter& printer, int from = 1, int to = 0);

}  // namespace oxqr
