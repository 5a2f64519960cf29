#include "RunProgress.h"

#include <algorithm>

#include <QCoreApplication>
#include <QProgressDialog>

#include "engine/Report.h"

namespace oxqr {

TQRRunProgress::TQRRunProgress(TQRCustomReport& report, QWidget* parent, const QString& title, int pageCount)
    : report_(report), previous_(report.OnProgress) {
  if (report_.ShowProgress) {
    dialog_ = std::make_unique<QProgressDialog>(title, "Cancel", 0, pageCount, parent);
    dialog_->setWindowTitle(title);
    dialog_->setWindowModality(Qt::ApplicationModal);
    dialog_->setMinimumDuration(0);
    dialog_->setAutoReset(false);
    dialog_->setAutoClose(false);
    QObject::connect(dialog_.get(), &QProgressDialog::canceled, [this] {
      cancelled_ = true;
      report_.Cancel();
    });
  }
  report_.OnProgress = [this](int page) { Progress(page); };
}

TQRRunProgress::~TQRRunProgress() {
  report_.OnProgress = previous_;
  if (dialog_) dialog_->close();
}

void TQRRunProgress::Progress(int page) {
  if (previous_) previous_(page);
  if (!dialog_) return;
  dialog_->setLabelText(QString("Page %1").arg(page));
  if (dialog_->maximum() > 0) dialog_->setValue(std::min(page, dialog_->maximum()));
  if (!dialog_->isVisible()) dialog_->show();
  // The run holds the GUI thread: let the dialog paint and its Cancel button answer.
  QCoreApplication::processEvents();
}

}  // namespace oxqr
