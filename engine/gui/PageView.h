#pragma once
// One stored page of a preview at a zoom. Each paint plays the page only into the exposed
// rectangle, so a page change at 400 % costs what the window shows, not the whole sheet.
#include <QWidget>

namespace oxqr {

class TMetafile;

class TQRPageView final : public QWidget {
 public:
  explicit TQRPageView(QWidget* parent = nullptr);
  // `page` (not owned, may be nullptr) at `zoom` percent.
  void SetPage(const TMetafile* page, int zoom);
  QSize sizeHint() const override { return size(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const TMetafile* page_ = nullptr;
  double scale_ = 1.0;
};

}  // namespace oxqr
