#include "PageView.h"

#include <algorithm>

#include <QPaintEvent>
#include <QPainter>

#include "engine/Printer.h"
#include "platform/Metafile.h"

namespace oxqr {

TQRPageView::TQRPageView(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void TQRPageView::SetPage(const TQRPrinter* pages, int page, int zoom) {
  pages_ = pages;
  page_ = page;
  scale_ = zoom / 100.0;
  const TMetafile* picture = pages_ != nullptr ? pages_->Page(page_) : nullptr;
  if (picture == nullptr) {
    setFixedSize(1, 1);
  } else {
    setFixedSize(std::max(1, static_cast<int>(picture->Width * scale_)),
                 std::max(1, static_cast<int>(picture->Height * scale_)));
  }
  update();
}

void TQRPageView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), Qt::white);
  const TMetafile* picture = pages_ != nullptr ? pages_->Page(page_) : nullptr;
  if (picture == nullptr) return;
  painter.setClipRect(event->rect());
  painter.setRenderHint(QPainter::Antialiasing);
  PlayMetafile(painter, *picture, 0, 0, scale_);
}

}  // namespace oxqr
