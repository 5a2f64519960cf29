#pragma once
// The engine's preview window: shows the pages a report's run stored in its printer,
// page by page at a chosen zoom, and offers the Save command (the engine's own file or
// any registered export filter).
#include <string>

#include <QDialog>

class QLabel;
class QScrollArea;

namespace oxqr {

class TQRCustomReport;

class TQRPreviewWindow final : public QDialog {
 public:
  // Shows the pages `report` holds now (call Prepare first); the report must outlive it.
  explicit TQRPreviewWindow(TQRCustomReport& report, QWidget* parent = nullptr);

  int PageNumber() const { return page_; }
  int PageCount() const;
  void ShowPage(int n);  // clamped to the stored pages
  int Zoom() const { return zoom_; }
  void SetZoom(int percent);
  // The Save command for a chosen file name and type (1 engine file, k >= 2 filter k - 2);
  // failures are shown in an error box. Answers whether the file was written.
  bool SaveAs(const std::string& fileName, int fileType);

 private:
  void Save();
  void Render();
  TQRCustomReport& report_;
  QScrollArea* scroll_;
  QLabel* pageView_;
  QLabel* status_;
  int page_ = 1;
  int zoom_ = 100;
};

// The report's preview: runs it into its printer and shows the preview window modally
// (the report's exceptions travel out before the window opens).
void PreviewReport(TQRCustomReport& report, QWidget* parent = nullptr);

}  // namespace oxqr
