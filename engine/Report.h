#pragma once
// The report: page settings, bands, and the two runs the engine makes of it — the
// preview (Prepare, into its own printer's page store) and ExportToFilter.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Band.h"
#include "Frame.h"
#include "PageNumbers.h"
#include "Printer.h"
#include "RunObserver.h"

namespace oxqr {

class TDataSet;
class TQRExportFilter;
class TQRCustomReport;
class TQRLayout;

// Page geometry; values are stored in Native and read in the report's current units.
class TQRPage {
 public:
  explicit TQRPage(const TQRCustomReport& report) : report_(report) {}
  double NativeWidth = 2100, NativeLength = 2970;
  double NativeTopMargin = 0, NativeBottomMargin = 0, NativeLeftMargin = 0, NativeRightMargin = 0;
  TPrinterOrientation Orientation = TPrinterOrientation::poPortrait;
  TQRPaperSize PaperSize = TQRPaperSize::A4;

  double BottomMargin() const;
  double Length() const;
  double TopMargin() const;
  double Width() const;
  double LeftMargin() const;
  double RightMargin() const;
  void SetPaper(TQRPaperSize size);  // A4 210 x 297 mm, Letter 8.5 x 11 in
  void SetMarginsMM(double top, double bottom, double left, double right);

 private:
  double Read(double native) const;
  const TQRCustomReport& report_;
};

struct TQRReportOptions {
  bool FirstPageHeader = true;
  bool LastPageFooter = true;
};

class TQRCustomReport {
 public:
  TQRCustomReport();
  virtual ~TQRCustomReport();
  TQRCustomReport(const TQRCustomReport&) = delete;
  TQRCustomReport& operator=(const TQRCustomReport&) = delete;

  std::string Name;
  TQRPage Page{*this};
  TQRFrame Frame;  // drawn around every page (inside the margins)
  TFont Font;
  std::string ReportTitle;
  // The language of the report's text (a BCP 47 tag) for documents that declare it.
  std::string Language = "en";
  // The PDF conformance level the report asks for ("pdfA2b", "pdfUA1", "pdfA2bUA1";
  // empty: none), used when the PDF settings name none.
  std::string PdfConformance;
  bool ShowProgress = true;
  TQRReportOptions Options;
  bool PrintIfEmpty = true;
  TDataSet* DataSet = nullptr;  // drives the detail band; nullptr prints it once
  // Whether saving needs the preview run's pages first: values known only after a whole run
  // (page N of M, a total printed before its data) are taken from that run. When false, a
  // program that only exports may lay the report out once.
  bool NeedsPreviewRun = false;

  TQRUnit Units() const { return units_; }
  void SetUnits(TQRUnit u) { units_ = u; }
  int Zoom() const { return zoom_; }
  void SetZoom(int z) { zoom_ = z; }

  bool Exporting() const { return activeFilter_ != nullptr; }
  TQRExportFilter* ActiveFilter() const { return activeFilter_; }
  // Position of the band being printed (Native).
  int CurrentX = 0;
  int CurrentY = 0;
  // Whether the current run draws on the printer (false during an export run).
  bool FinalPass() const { return finalPass_; }

  template <class B = TQRCustomBand, class... Args>
  B& AddBand(Args&&... args) {
    auto b = std::make_unique<B>(std::forward<Args>(args)...);
    B& ref = *b;
    AdoptBand(std::move(b));
    return ref;
  }
  const std::vector<std::unique_ptr<TQRCustomBand>>& Bands() const { return bands_; }

  // The printer of the current run; after Prepare the preview's printer with its pages.
  TQRPrinter& QRPrinter() { return *printer_; }

  // Runs the report into its printer's page store (the preview run).
  void Prepare();
  // Runs the report again with `filter` attached (see the engine contract for the order).
  // A report never prepared is prepared first, so that SourcePrinter holds its pages, unless
  // the filter reads no preview pages and NeedsPreviewRun is false: then this run alone makes
  // the file and the report stays unprepared. Both runs throw std::logic_error when called while the report is running.
  void ExportToFilter(TQRExportFilter& filter);
  // The page numbers of the run in progress, or of the last run: what {page} and {pages}
  // print where groups restart the numbering.
  const TQRPageNumbers& PageNumbers() const { return pageNumbers_; }
  // Pages of the last export run (the file's pages), also when no preview was made.
  int ExportedPageCount() const { return exportedPages_; }
  // Asks the running report to stop after the current band (the progress window's Cancel).
  void Cancel() { cancelled_ = true; }

  // Progress of a run: called with the page number whenever a page starts.
  std::function<void(int page)> OnProgress;
  // Called at the end of each page before the page is closed (the report's end-of-page event).
  std::function<void(TQRCustomReport&)> OnEndPage;

  // Observers told of every run's records, groups and end (not owned; an observer removes
  // itself before it is destroyed). Adding one twice keeps one entry.
  void AddRunObserver(TQRRunObserver& observer);
  void RemoveRunObserver(TQRRunObserver& observer);
  const std::vector<TQRRunObserver*>& RunObservers() const { return observers_; }

 protected:
  void AdoptBand(std::unique_ptr<TQRCustomBand> b);

 private:
  void Run();
  std::vector<std::unique_ptr<TQRCustomBand>> bands_;
  std::vector<TQRRunObserver*> observers_;
  std::unique_ptr<TQRPrinter> printer_;
  TQRExportFilter* activeFilter_ = nullptr;
  TQRUnit units_ = TQRUnit::MM;
  int zoom_ = 100;
  bool finalPass_ = true;
  bool cancelled_ = false;
  int exportedPages_ = 0;
  TQRLayout* layout_ = nullptr;  // the layout of the run in progress, nullptr between runs
  TQRPageNumbers pageNumbers_;   // kept by the layout
  friend class TQRLayout;
};

// The published report class.
class TQRReport : public TQRCustomReport {};

}  // namespace oxqr
