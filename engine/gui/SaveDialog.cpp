#include "SaveDialog.h"

#include <QFileDialog>
#include <QFileInfo>

#include "engine/FilterLibrary.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

namespace oxqr {
namespace {

std::vector<std::string> SplitBars(const std::string& s) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t bar = s.find('|', start);
    parts.push_back(s.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) return parts;
    start = bar + 1;
  }
}

// The folder and type of this run's last save: the dialog reopens there (memory only).
struct TLastSave {
  QString Folder;
  QString NameFilter;
};
TLastSave& LastSave() {
  static TLastSave last;
  return last;
}

}  // namespace

QStringList ToQtNameFilters(const std::string& dialogFilter) {
  QStringList out;
  const auto parts = SplitBars(dialogFilter);
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) out << AnsiToQString(parts[i]);
  return out;
}

std::string DialogFilterExtension(const std::string& dialogFilter, int fileType) {
  const auto parts = SplitBars(dialogFilter);
  const std::size_t pattern = static_cast<std::size_t>(fileType) * 2 - 1;
  if (fileType < 1 || pattern >= parts.size()) return {};
  const std::string& p = parts[pattern];  // "*.ext"
  return p.rfind("*.", 0) == 0 ? p.substr(2) : std::string();
}

std::string WithDefaultExtension(const std::string& fileName, const std::string& ext) {
  if (ext.empty() || !ExtractFileExt(ExtractFileName(fileName)).empty()) return fileName;
  return fileName + "." + ext;
}

TSaveChoice AskSaveFileName(QWidget* parent) {
  const std::string dialogFilter = FilterLibrary().SaveDialogFilter();
  // The extension of the chosen type is added below (the engine file's "QRP" first).
  const QStringList filters = ToQtNameFilters(dialogFilter);
  QFileDialog dialog(parent, "Save report");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  // Qt's own dialog on every platform, so that the program behaves the same everywhere.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setNameFilters(filters);
  if (!LastSave().Folder.isEmpty()) dialog.setDirectory(LastSave().Folder);
  if (filters.contains(LastSave().NameFilter)) dialog.selectNameFilter(LastSave().NameFilter);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  LastSave() = {QFileInfo(dialog.selectedFiles().front()).absolutePath(), dialog.selectedNameFilter()};
  TSaveChoice choice;
  choice.FileType = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
  if (choice.FileType < 1) choice.FileType = 1;
  choice.FileName = WithDefaultExtension(dialog.selectedFiles().front().toStdString(),
                                         DialogFilterExtension(dialogFilter, choice.FileType));
  return choice;
}

}  // namespace oxqr
