#include "ErrorBox.h"

#include <filesystem>

#include <QApplication>
#include <QMessageBox>

#include "OxQrExport/core/ExportFilterBase.h"
#include "OxQrExport/core/Settings.h"
#include "engine/gui/PreviewWindow.h"
#include "platform/CodePage.h"

namespace fs = std::filesystem;

namespace oxqr {
namespace {

long& Count() {
  static long count = 0;
  return count;
}

// The files the last export recorded (page files by name in the output's folder, picture
// files as written); the preview names them in its status line.
std::vector<std::string> FilesOfLastExport(const std::string& fileName) {
  const auto& settings = QRExportSettings();
  const fs::path folder = fs::absolute(fileName).parent_path();
  std::vector<std::string> files;
  for (const auto& f : settings.CreatedReportFiles.Items) files.push_back((folder / f.Text).lexically_normal().string());
  for (const auto& f : settings.CreatedImageFiles.Items) files.push_back(fs::absolute(f.Text).lexically_normal().string());
  return files;
}

}  // namespace

void ShowErrorBox(const std::string& message) {
  ++Count();
  QMessageBox box(QMessageBox::Critical, "OxQRFilters - Showcase", AnsiToQString(message), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.setObjectName("ErrorBox");
  box.exec();
}

long ErrorBoxCount() { return Count(); }

void InstallErrorBox() {
  SetErrorBoxHandler([](const std::string& message) { ShowErrorBox(message); });
  TPreviewSaveHooks hooks;
  hooks.BeforeSave = [] {
    QRExportSettings().CreatedReportFiles.Clear();
    QRExportSettings().CreatedImageFiles.Clear();
  };
  hooks.ErrorCount = [] { return ErrorBoxCount(); };
  hooks.FilesWritten = FilesOfLastExport;
  SetPreviewSaveHooks(std::move(hooks));
}

}  // namespace oxqr
