// The report's two runs: the preview (Prepare) and the export run (ExportToFilter).
#include "Report.h"

#include <algorithm>
#include <stdexcept>

#include "ExportFilter.h"
#include "Layout.h"

namespace oxqr {

TQRCustomReport::TQRCustomReport() : printer_(std::make_unique<TQRPrinter>()) {}

TQRCustomReport::~TQRCustomReport() = default;

void TQRCustomReport::AdoptBand(std::unique_ptr<TQRCustomBand> b) {
  b->report_ = this;
  for (const auto& c : b->controls_) c->report_ = this;
  bands_.push_back(std::move(b));
}

void TQRCustomReport::AddRunObserver(TQRRunObserver& observer) {
  if (std::find(observers_.begin(), observers_.end(), &observer) == observers_.end()) observers_.push_back(&observer);
}

void TQRCustomReport::RemoveRunObserver(TQRRunObserver& observer) { std::erase(observers_, &observer); }

void TQRCustomReport::Run() {
  TQRLayout layout(*this);
  layout.Execute();
}

void TQRCustomReport::Prepare() {
  if (layout_ != nullptr) throw std::logic_error("Prepare: the report is already running");
  // The page store of the previous run serves this one, emptied: a program that prepares one
  // report many times (one run per burst) keeps one printer.
  printer_->Clear();
  finalPass_ = true;
  Run();
}

namespace {

// Undoes what ExportToFilter set up, on every path out of it.
class ExportRunGuard {
 public:
  ExportRunGuard(std::unique_ptr<TQRPrinter>& printer, TQRExportFilter*& active, bool& finalPass)
      : printer_(printer), active_(active), finalPass_(finalPass) {}
  ~ExportRunGuard() {
    if (source_) printer_ = std::move(source_);  // frees the run's own printer
    if (clear_) {
      printer_->Clear();
      printer_->SetKeepsPages(true);
    }
    active_ = nullptr;
    finalPass_ = true;
  }
  ExportRunGuard(const ExportRunGuard&) = delete;
  ExportRunGuard& operator=(const ExportRunGuard&) = delete;
  // The run's pages are only counted, not kept: the printer is emptied after it, so the
  // report stays as unprepared as it was.
  void ClearPrinterAfter() {
    clear_ = true;
    printer_->SetKeepsPages(false);
  }
  // Keeps the preview's printer aside and gives the run a fresh one; the filter has each
  // page through its calls, so the run's own pages are counted, not kept.
  void SwapInFreshPrinter() {
    auto fresh = std::make_unique<TQRPrinter>();
    fresh->SetPageMemoryBudget(printer_->PageMemoryBudget());
    fresh->SetKeepsPages(false);
    source_ = std::move(printer_);
    printer_ = std::move(fresh);
  }

 private:
  std::unique_ptr<TQRPrinter>& printer_;
  TQRExportFilter*& active_;
  bool& finalPass_;
  std::unique_ptr<TQRPrinter> source_;
  bool clear_ = false;
};

}  // namespace

void TQRCustomReport::ExportToFilter(TQRExportFilter& filter) {
  if (layout_ != nullptr) throw std::logic_error("ExportToFilter: the report is already running");
  // A report never previewed is prepared first for a filter that reads the preview's pages,
  // and for any filter when the report prints values only a whole run knows (page N of M, a
  // total before its data): the export run takes them from the preview. Otherwise this run
  // alone makes the file.
  const bool oneRun = printer_->PageCount() == 0 && !filter.ReadsPreviewPages() && !NeedsPreviewRun;
  if (printer_->PageCount() == 0 && !oneRun) Prepare();

  ExportRunGuard guard(printer_, activeFilter_, finalPass_);
  activeFilter_ = &filter;
  filter.Report = this;
  filter.SourcePrinter = printer_.get();
  finalPass_ = false;
  if (oneRun)
    guard.ClearPrinterAfter();
  else
    guard.SwapInFreshPrinter();
  exportedPages_ = 0;
  Run();
  exportedPages_ = printer_->PageCount();
}

}  // namespace oxqr
