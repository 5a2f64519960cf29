#include "PreviewWindow.h"

#include <algorithm>
#include <exception>
#include <filesystem>

#include <QAction>
#include <QDesktopServices>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollArea>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include "PagePrinting.h"
#include "PageView.h"
#include "RunProgress.h"
#include "SaveDialog.h"
#include "engine/Report.h"
#include "engine/SaveCommand.h"
#include "platform/CodePage.h"

namespace fs = std::filesystem;

namespace oxqr {
namespace {

TPreviewSaveHooks& Hooks() {
  static TPreviewSaveHooks hooks;
  return hooks;
}

bool& OpenAfterSavingFlag() {
  static bool on = false;
  return on;
}

std::function<void(const std::string&)>& DesktopOpener() {
  static std::function<void(const std::string&)> opener;
  return opener;
}

long ErrorsSoFar() { return Hooks().ErrorCount ? Hooks().ErrorCount() : 0; }

// What to open after a save: the file, or the folder of per-page output.
std::string OpenTarget(const std::string& fileName, const std::vector<std::string>& written) {
  const bool single = written.empty() || (written.size() == 1 && fs::path(written.front()).filename() == fs::path(fileName).filename());
  return single ? fileName : fs::absolute(fileName).parent_path().string();
}

}  // namespace

void SetPreviewSaveHooks(TPreviewSaveHooks hooks) { Hooks() = std::move(hooks); }
bool OpenAfterSaving() { return OpenAfterSavingFlag(); }
void SetOpenAfterSaving(bool on) { OpenAfterSavingFlag() = on; }
void SetDesktopOpener(std::function<void(const std::string&)> opener) { DesktopOpener() = std::move(opener); }

TQRPreviewWindow::TQRPreviewWindow(TQRCustomReport& report, QWidget* parent)
    : QDialog(parent), report_(report), scroll_(new QScrollArea(this)), pageView_(new TQRPageView),
      status_(new QLabel(this)) {
  setWindowTitle(report_.ReportTitle.empty() ? QString("Print Preview")
                                             : "Print Preview - " + AnsiToQString(report_.ReportTitle));
  scroll_->setWidget(pageView_);
  scroll_->setAlignment(Qt::AlignCenter);
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
  bar->addAction("Print", this, [this] { Print(); });
  bar->addAction("Save", this, [this] { Save(); });
  QAction* open = bar->addAction("Open after saving");
  open->setObjectName("actOpenAfterSaving");
  open->setCheckable(true);
  open->setChecked(OpenAfterSaving());
  connect(open, &QAction::toggled, this, [](bool on) { SetOpenAfterSaving(on); });
  bar->addSeparator();
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

QString TQRPreviewWindow::StatusText() const { return status_->text(); }

void TQRPreviewWindow::Render() {
  status_->setText(QString("Page %1 of %2").arg(page_).arg(PageCount()));
  pageView_->SetPage(&report_.QRPrinter(), page_, zoom_);
}

bool TQRPreviewWindow::SaveAs(const std::string& fileName, int fileType) {
  if (Hooks().BeforeSave) Hooks().BeforeSave();
  const long errorsBefore = ErrorsSoFar();
  bool ran = false;
  try {
    TQRRunProgress progress(report_, this, "Saving " + QString::fromStdString(fs::path(fileName).filename().string()),
                            fileType == 1 ? 0 : PageCount());
    SaveReport(report_, fileName, fileType);
    ran = !progress.Cancelled();
  } catch (const std::exception& e) {
    QMessageBox::critical(this, "Save report", QString::fromLocal8Bit(e.what()));
  }
  Render();  // the export run restores the preview's printer
  if (!ran || ErrorsSoFar() != errorsBefore) {
    status_->setText(status_->text() + (ran ? "   Not saved: see the error message" : "   Not saved"));
    return false;
  }
  std::vector<std::string> written = Hooks().FilesWritten ? Hooks().FilesWritten(fileName) : std::vector<std::string>{};
  QStringList names;
  for (const auto& f : written) names << QString::fromStdString(fs::path(f).filename().string());
  if (names.isEmpty()) names << QString::fromStdString(fs::path(fileName).filename().string());
  status_->setText(status_->text() + "   Saved: " + names.join(", "));
  if (OpenAfterSaving()) {
    const std::string target = OpenTarget(fileName, written);
    if (DesktopOpener()) {
      DesktopOpener()(target);
    } else {
      QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(target)));
    }
  }
  return true;
}

void TQRPreviewWindow::Save() {
  const TSaveChoice choice = AskSaveFileName(this);
  if (!choice.FileName.empty()) SaveAs(choice.FileName, choice.FileType);
}

bool TQRPreviewWindow::PrintTo(QPrinter& printer, int from, int to) {
  SetUpPrinter(printer, report_);
  return PrintPages(report_.QRPrinter(), printer, from, to);
}

void TQRPreviewWindow::Print() {
  QPrinter printer(QPrinter::HighResolution);
  SetUpPrinter(printer, report_);
  QPrintDialog dialog(&printer, this);
  dialog.setMinMax(1, std::max(1, PageCount()));
  if (dialog.exec() != QDialog::Accepted) return;
  const bool range = printer.printRange() == QPrinter::PageRange;
  if (!PrintPages(report_.QRPrinter(), printer, range ? printer.fromPage() : 1, range ? printer.toPage() : 0))
    QMessageBox::critical(this, "Print", "The report could not be printed.");
}

void PreviewReport(TQRCustomReport& report, QWidget* parent) {
  {
    TQRRunProgress progress(report, parent, "Preparing " + AnsiToQString(report.ReportTitle));
    report.Prepare();
  }
  TQRPreviewWindow window(report, parent);
  window.exec();
}

}  // namespace oxqr
