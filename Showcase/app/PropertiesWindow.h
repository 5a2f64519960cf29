#pragma once
// TfrmProperties: the tool window that edits part of the export settings ("listed
// partially"). Every control is loaded from QRExportSettings when the window is created
// and writes its setting through the settings' property table the moment it changes, so
// the window, form text and the exporter's --set share names and checking setters.
#include <functional>
#include <vector>

#include <QWidget>

#include "OxQrExport/core/Filters.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTabWidget;

namespace oxqr {

class TfrmProperties final : public QWidget {
 public:
  explicit TfrmProperties(QWidget* parent = nullptr);

  // Called whenever the window hides (also when the user closes it): FormHide.
  std::function<void()> OnHide;

  QTabWidget* PageControl() const { return pages_; }
  // Applies the enabling rules to the current state of the controls.
  void ApplyEnablingRules();

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  // The image group of a document format tab.
  struct TImageGroup {
    const char* Prefix = "";  // "PDF", "HTML", "RTF"
    QCheckBox* Images = nullptr;
    QComboBox* Format = nullptr;
    QSpinBox* Quality = nullptr;
    QLineEdit* DPI = nullptr;
    QComboBox* PixelFormat = nullptr;
    QLineEdit* Folder = nullptr;  // HTML only
    std::vector<QWidget*> Labels;  // format, quality, DPI, folder labels
  };

  static TImageGroup Group(const char* prefix) {
    TImageGroup g;
    g.Prefix = prefix;
    return g;
  }
  void FormCreate();
  QWidget* BuildVisibleFilters();
  QWidget* BuildUnicodeBox();
  QWidget* DocumentTab(TImageGroup& g);
  QWidget* HtmlTab();
  QWidget* ExcelTab();
  QWidget* TextTab();
  QWidget* PictureTab(const char* prefix, bool jpeg);
  QWidget* MetafileTab(const char* prefix);
  QWidget* XlsxTab();
  QWidget* CsvTab();
  QWidget* BuildImageGroup(TImageGroup& g);
  void cbVisibleFilterClick(QCheckBox* box);
  void FormatChanged(TImageGroup& g);

  TOxQRFilters OxQRFilters;
  QTabWidget* pages_ = nullptr;
  TImageGroup pdf_ = Group("PDF"), html_ = Group("HTML"), rtf_ = Group("RTF");
  QCheckBox* htmlSingle_ = nullptr;
  int codePageBeforeUnicode_ = 1252;  // restored when the Unicode box is cleared
  std::vector<QWidget*> navigatorControls_;  // enabled exactly when Single File is off
};

}  // namespace oxqr
