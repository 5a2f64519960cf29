#pragma once
// The progress window of a report run: while it lives, the report's OnProgress feeds an
// application-modal QProgressDialog ("Page n"), and its Cancel button asks the report to
// stop (the run still ends as a cancelled run does). Shown only when the report's
// ShowProgress is set; the previous OnProgress handler is kept and called too.
#include <functional>
#include <memory>

#include <QString>

class QProgressDialog;
class QWidget;

namespace oxqr {

class TQRCustomReport;

class TQRRunProgress {
 public:
  // `pageCount` > 0 gives the dialog a range (an export run knows its pages); 0 shows a
  // busy bar (a preview run does not).
  TQRRunProgress(TQRCustomReport& report, QWidget* parent, const QString& title, int pageCount = 0);
  ~TQRRunProgress();
  TQRRunProgress(const TQRRunProgress&) = delete;
  TQRRunProgress& operator=(const TQRRunProgress&) = delete;

  bool Cancelled() const { return cancelled_; }
  QProgressDialog* Dialog() const { return dialog_.get(); }

 private:
  void Progress(int page);
  TQRCustomReport& report_;
  std::function<void(int)> previous_;
  std::unique_ptr<QProgressDialog> dialog_;
  bool cancelled_ = false;
};

}  // namespace oxqr
