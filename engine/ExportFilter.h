#pragma once
// TQRExportFilter: the abstract export filter the engine drives during an export run.
// The engine constructs it with the chosen file name, sets Report and SourcePrinter,
// and calls StartJob, ClosePage (once before page 1), then per page OpenPage, WriteText...,
// ClosePage, and finally FinishJob.
#include <string>

#include "EngineTypes.h"
#include "platform/Font.h"

namespace oxqr {

class TQRPrinter;
class TQRCustomReport;

class TQRExportFilter {
 public:
  explicit TQRExportFilter(const std::string& fileName);
  virtual ~TQRExportFilter();
  TQRExportFilter(const TQRExportFilter&) = delete;
  TQRExportFilter& operator=(const TQRExportFilter&) = delete;

  // The preview's printer holding the pages; for a filter that reads no preview pages of a
  // report never previewed, the export run's own printer (pages counted, nothing drawn).
  TQRPrinter* SourcePrinter = nullptr;
  bool Active = false;
  std::string FileName;
  TQRCustomReport* Report = nullptr;
  // The horizontal span (Native) to which the page clips the lines of the WriteText calls
  // that follow: a text control sets its box around them. Right <= Left: only the paper's
  // edges clip.
  double TextClipLeft = 0;
  double TextClipRight = 0;
  // The vertical span (Native) of the same box, set with the horizontal one: a turned line
  // (its font's Orientation not 0) is placed at its turned start and needs the whole box.
  double TextClipTop = 0;
  double TextClipBottom = 0;

  virtual std::string Description() const;
  virtual std::string Extension() const;
  virtual std::string DisplayName() const;
  virtual std::string MakerText() const;
  virtual bool IsContinuous() const;
  // Whether the filter reads the preview's pages (their pictures or their count). A filter
  // that does not makes its file from the export run alone, so a report never previewed is
  // laid out once rather than twice.
  virtual bool ReadsPreviewPages() const;
  virtual void StartJob(int PageWidth, int PageHeight, const TFont& Font);
  virtual void ClosePage();
  virtual void FinishJob();
  virtual void OpenPage();
  virtual void WriteText(double X, double Y, const TFont& Font, TColor BackColor, TAlignment Alignment,
                         const std::string& Text);
};

}  // namespace oxqr
