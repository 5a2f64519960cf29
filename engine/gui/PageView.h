#pragma once
// One stored page of a preview at a zoom. Each paint plays the page only into the exposed
// rectangle, so a page change at 400 % costs what the window shows, not the whole sheet.
#include <QWidget>

namespace oxqr {

class TQRPrinter;

class TQRPageView final : public QWidget {
 public:
  explicit TQRPageView(QWidget* parent = nullptr);
  // Page `page` of `pages` (not owned; nullptr shows nothing) at `zoom` percent. The page's
  // picture is fetched again for every paint: the page store may unpack pages on demand.
  void SetPage(const TQRPrinter* pages, int page, int zoom);
  QSize sizeHint() const override { return size(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const TQRPrinter* pages_ = nullptr;
  int page_ = 0;
  double scale_ = 1.0;
};

}  // namespace oxqr
