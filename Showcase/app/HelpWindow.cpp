#include "HelpWindow.h"

#include <filesystem>

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace oxqr {

std::string HelpFileIn(const std::string& folder) { return (std::filesystem::path(folder) / "SHOWCASE.htm").string(); }

THelpWindow::THelpWindow(QWidget* parent) : QDialog(parent), browser_(new QTextBrowser(this)) {
  setObjectName("HelpWindow");
  setWindowTitle("OxQRFilters - Showcase Help");
  browser_->setOpenExternalLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  resize(640, 520);
}

bool THelpWindow::ShowContext(const std::string& helpFile, int context) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(helpFile, ec)) return false;
  QUrl url = QUrl::fromLocalFile(QString::fromStdString(helpFile));
  url.setFragment(QString("context%1").arg(context));
  browser_->setSource(url);
  browser_->scrollToAnchor(url.fragment());
  show();
  raise();
  return true;
}

}  // namespace oxqr
