#include "Showcase/samples/SampleDrawings.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace oxqr {

namespace {

TBitmap ToBitmap(const QImage& image) {
  TBitmap b;
  b.SetImage(image);
  return b;
}

QImage WhiteImage(int size) {
  QImage img(size, size, QImage::Format_RGB32);
  img.fill(Qt::white);
  return img;
}

}  // namespace

TBitmap SampleLogo() {
  QImage img = WhiteImage(24);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(QPen(QColor(0, 64, 128), 1));
  p.setBrush(QColor(235, 242, 250));
  p.drawPolygon(QPolygon({QPoint(3, 2), QPoint(14, 2), QPoint(18, 6), QPoint(18, 21), QPoint(3, 21)}));
  p.setPen(QPen(QColor(120, 140, 170), 1));
  for (int y = 8; y <= 17; y += 3) p.drawLine(6, y, 13, y);
  // The arrow: the report leaving for another format.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 128, 128));
  p.drawPolygon(QPolygon({QPoint(10, 12), QPoint(16, 12), QPoint(16, 8), QPoint(23, 14), QPoint(16, 20),
                          QPoint(16, 16), QPoint(10, 16)}));
  p.end();
  return ToBitmap(img);
}

TBitmap PhoneIcon() {
  QImage img = WhiteImage(16);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(40, 40, 40));
  QPainterPath handset;
  handset.moveTo(3, 2);
  handset.lineTo(6, 2);
  handset.lineTo(7, 5);
  handset.lineTo(5, 7);
  handset.quadTo(7, 10, 9, 11);
  handset.lineTo(11, 9);
  handset.lineTo(14, 10);
  handset.lineTo(14, 13);
  handset.quadTo(12, 15, 9, 14);
  handset.quadTo(3, 11, 2, 5);
  handset.closeSubpath();
  p.drawPath(handset);
  p.end();
  return ToBitmap(img);
}

TBitmap GlobeIcon() {
  QImage img = WhiteImage(16);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(QPen(QColor(0, 70, 160), 1));
  p.setBrush(QColor(150, 200, 250));
  p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QRectF(5, 1.5, 6, 13));
  p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
  p.drawLine(QPointF(8, 1.5), QPointF(8, 14.5));
  p.end();
  return ToBitmap(img);
}

}  // namespace oxqr
