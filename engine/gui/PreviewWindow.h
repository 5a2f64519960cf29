#pragma once
// The engine's preview window: shows the pages a report's run stored in its printer,
// page by page at a chosen zoom (painting only the exposed part of the page), and offers
// Print and the Save command (the engine's own file or any registered export filter).
#include <functional>
#include <string>
#include <vector>

#include <QDialog>

class QAction;
class QLabel;
class QPrinter;
class QScrollArea;

namespace oxqr {

class TQRCustomReport;
class TQRPageView;

// What the program tells the preview about a save: the engine does not see the errors a
// filter reports, nor the files it writes; the program that hosts the filters does.
struct TPreviewSaveHooks {
  std::function<void()> BeforeSave;  // e.g. forget the files of the previous export
  std::function<long()> ErrorCount;  // errors reported so far in this program run
  // The files a save to `fileName` wrote (page files, pictures); empty: the file itself.
  std::function<std::vector<std::string>(const std::string& fileName)> FilesWritten;
};
void SetPreviewSaveHooks(TPreviewSaveHooks hooks);

// Opt-in: open a saved report (its folder for per-page output) with the desktop's
// program after a save without errors. Off by default; kept for the program run.
bool OpenAfterSaving();
void SetOpenAfterSaving(bool on);
// Replaces QDesktopServices::openUrl for "Open after saving" (tests).
void SetDesktopOpener(std::function<void(const std::string& path)> opener);

class TQRPreviewWindow final : public QDialog {
 public:
  // Shows the pages `report` holds now (call Prepare first); the report must outlive it.
  explicit TQRPreviewWindow(TQRCustomReport& report, QWidget* parent = nullptr);

  int PageNumber() const { return page_; }
  int PageCount() const;
  void ShowPage(int n);  // clamped to the stored pages
  int Zoom() const { return zoom_; }
  void SetZoom(int percent);
  // The Save command for a chosen file name and type (1 engine file, k >= 2 filter k - 2).
  // Answers true only when the file was written: the command ran to its end and no error
  // was reported during it. Exceptions are shown in an error box; errors a filter reports
  // are shown by the program's error box; neither is followed by a success message.
  bool SaveAs(const std::string& fileName, int fileType);
  // Plays the stored pages on `printer` (set up from the report's Page first).
  bool PrintTo(QPrinter& printer, int from = 1, int to = 0);
  QString StatusText() const;
  TQRPageView* PageView() const { return pageView_; }

 private:
  void Save();
  void Print();
  void Render();
  TQRCustomReport& report_;
  QScrollArea* scroll_;
  TQRPageView* pageView_;
  QLabel* status_;
  int page_ = 1;
  int zoom_ = 100;
};

// The report's preview: runs it into its printer (with the progress window) and shows
// the preview window modally (the report's exceptions travel out before the window opens).
void PreviewReport(TQRCustomReport& report, QWidget* parent = nullptr);

}  // namespace oxqr
