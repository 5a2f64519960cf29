#pragma once
// TQRTokenLabel: a label whose Caption is token text, evaluated each time it prints.
// It lays out, aligns, auto-sizes, wraps and stretches as a label does and announces its
// text to document filters as the export-aware label does. A deferred value ({pages}, a
// total in a group header) is drawn with the value known at the time in the preview run
// and redrawn with the final value when the run ends (see ReportEnvironment.h).
#include <string>

#include "EnvironmentState.h"
#include "OxQrCtrls/ExportControls.h"
#include "ReportEnvironment.h"

namespace oxqr {

class TQRTokenLabel : public TOxQRLabel, public TTokenTextOwner {
 public:
  explicit TQRTokenLabel(TReportEnvironment& environment) : environment_(environment) {}

  TReportEnvironment& Environment() const { return environment_; }
  // Caption parsed (again after Caption changed); throws TTokenError.
  const TTokenText& TokenText() const override;
  // The caption's text for the current record and page.
  std::string Text() const override;
  void Print(int OffsetX, int OffsetY) override;

 private:
  TReportEnvironment& environment_;
  mutable TTokenText parsed_;
  mutable bool parsedOnce_ = false;
  mutable detail::TEvaluation last_;  // the evaluation of the last Text()
};

}  // namespace oxqr
