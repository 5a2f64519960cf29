#include "ShowcaseStart.h"

#include <exception>

#include <QApplication>
#include <QScreen>

#include "ErrorBox.h"
#include "MainWindow.h"
#include "OxQrCtrls/RichText.h"
#include "OxQrExport/core/Settings.h"
#include "PropertiesWindow.h"
#include "Showcase/samples/SampleContext.h"
#include "platform/FontWarnings.h"

namespace oxqr {

TShowcase::~TShowcase() {
  frmProperties.reset();
  frmMain.reset();
}

void StartShowcaseLibrary() {
  InitializeExportLibrary();
  InstallRichTextLineBreaker();
  InstallErrorBox();
}

std::unique_ptr<TShowcase> CreateShowcase(const std::string& databaseOverride) {
  auto showcase = std::make_unique<TShowcase>();
  try {
    showcase->frmMain = std::make_unique<TfrmMain>(DefaultSampleContext(databaseOverride));
  } catch (const std::exception& e) {
    ShowErrorBox(e.what());
    return nullptr;
  }
  showcase->frmProperties = std::make_unique<TfrmProperties>(showcase->frmMain.get());
  showcase->frmMain->SetPropertiesWindow(showcase->frmProperties.get());
  return showcase;
}

int RunShowcase(int& argc, char** argv, const std::string& databaseOverride) {
  InitializeExportLibrary();
  SilenceFontWarnings();
  QApplication app(argc, argv);
  QApplication::setApplicationName("oxqr-showcase");
  StartShowcaseLibrary();
  const auto showcase = CreateShowcase(databaseOverride);
  if (!showcase) return 1;
  // Without a window manager a maximised window keeps its size: give it the screen first.
  showcase->frmMain->setGeometry(QApplication::primaryScreen()->availableGeometry());
  showcase->frmMain->showMaximized();
  return QApplication::exec();
}

}  // namespace oxqr
