#include "PreviewWindow.h"

#include <algorithm>
#include <exception>

#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QScrollArea>
#include <QToolBar>
#include <QVBoxLayout>

#include "SaveDialog.h"
#include "engine/Report.h"
#include "engine/SaveCommand.h"
#include "platform/CodePage.h"
#include "platform/Metafile.h"

namespace oxqr {

TQRPreviewWindow::TQRPreviewWindow(TQRCustomReport& report, QWidget* parent)
    : QDialog(parent), report_(report), scroll_(new QScrollArea(this)), pageView_(new QLabel),
      status_(new QLabel(this)) {
  setWindowTitle(report_.ReportTitle.empty() ? QString("Print Preview")
                                             : "Print Preview - " + AnsiToQString(report_.ReportTitle));
  pageView_->setAlignment(Qt::AlignCenter);
  scroll_->setWidget(pageView_);
  scroll_->setWidgetResizable(true);
  scroll_->setBackgroundRole(QPalette::Dark);
  auto* bar = new QToolBar("Preview", this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(bar);
  layout->addWidget(scroll_, 1);
  layout->addWidget(status_);
  bar->addAction("First", this, [this] { ShowPage(1); });
  bar->addAction("Previous", this, [this] { ShowPage(page_ - 1); });
  bar->addAction("Next", this, [this] { ShowPage(page_ + 1); });
  bar->addAction("Last", this, [this] { ShowPage(PageCount()); });
  bar->addSeparator();
  bar->addAction("Zoom out", this, [this] { SetZoom(zoom_ - 25); });
  bar->addAction("100 %", this, [this] { SetZoom(100); });
  bar->addAction("Zoom in", this, [this] { SetZoom(zoom_ + 25); });
  bar->addSeparator();
  bar->addAction("Save", this, [this] { Save(); });
  bar->addAction("Close", this, [this] { close(); });
  resize(900, 1000);
  Render();
}

int TQRPreviewWindow::PageCount() const { return report_.QRPrinter().PageCount(); }

void TQRPreviewWindow::ShowPage(int n) {
  page_ = std::clamp(n, 1, std::max(1, PageCount()));
  Render();
}

void TQRPreviewWindow::SetZoom(int percent) {
  zoom_ = std::clamp(percent, 25, 400);
  Render();
}

void TQRPreviewWindow::Render() {
  status_->setText(QString("Page %1 of %2").arg(page_).arg(PageCount()));
  const TMetafile* page = report_.QRPrinter().Page(page_);
  if (page == nullptr) {
    pageView_->setPixmap(QPixmap());
    return;
  }
  const double scale = zoom_ / 100.0;
  QImage image(std::max(1, static_cast<int>(page->Width * scale)), std::max(1, static_cast<int>(page->Height * scale)),
               QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  PlayMetafile(painter, *page, 0, 0, scale);
  painter.end();
  pageView_->setPixmap(QPixmap::fromImage(image));
}

bool TQRPreviewWindow::SaveAs(const std::string& fileName, int fileType) {
  try {
    SaveReport(report_, fileName, fileType);
    return true;
  } catch (const std::exception& e) {
    QMessageBox::critical(this, "Save report", QString::fromLocal8Bit(e.what()));
    return false;
  }
}

void TQRPreviewWindow::Save() {
  const TSaveChoice choice = AskSaveFileName(this);
  if (!choice.FileName.empty()) SaveAs(choice.FileName, choice.FileType);
}

void PreviewReport(TQRCustomReport& report, QWidget* parent) {
  report.Prepare();
  TQRPreviewWindow window(report, parent);
  window.exec();
}

}  // namespace oxqr
