#include "PageView.h"

#include <algorithm>

#include <QPaintEvent>
#include <QPainter>

#include "platform/Metafile.h"

namespace oxqr {

TQRPageView::TQRPageView(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void TQRPageView::SetPage(const TMetafile* page, int zoom) {
  page_ = page;
  scale_ = zoom / 100.0;
  if (page_ == nullptr) {
    setFixedSize(1, 1);
  } else {
    setFixedSize(std::max(1, static_cast<int>(page_->Width * scale_)), std::max(1, static_cast<int>(page_->Height * scale_)));
  }
  update();
}

void TQRPageView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), Qt::white);
  if (page_ == nullptr) return;
  painter.setClipRect(event->rect());
  painter.setRenderHint(QPainter::Antialiasing);
  PlayMetafile(painter, *page_, 0, 0, scale_);
}

}  // namespace oxqr
