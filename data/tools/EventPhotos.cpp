#include "data/tools/EventPhotos.h"

#include <QBuffer>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace oxqr::demodata {

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 184;  // the aspect of the report's picture frame (52.1 x 29.9 mm)

void Sky(QPainter& p, QColor top, QColor bottom, int horizon) {
  QLinearGradient g(0, 0, 0, horizon);
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  p.fillRect(0, 0, kWidth, horizon, g);
}

void Sun(QPainter& p, QColor c, int x, int y, int r) {
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawEllipse(QPoint(x, y), r, r);
}

void Sea(QPainter& p, unsigned seed) {
  Sky(p, QColor(70, 140, 220), QColor(200, 230, 250), 110);
  Sun(p, QColor(255, 220, 90), 60 + static_cast<int>(seed % 200), 40, 18);
  p.fillRect(0, 110, kWidth, kHeight - 110, QColor(20, 90, 160));
  p.setPen(QPen(QColor(220, 240, 255), 2));
  for (int y = 120; y < kHeight; y += 12)
    for (int x = static_cast<int>(seed % 17); x < kWidth; x += 40) p.drawLine(x, y, x + 16, y);
  // A sail boat.
  const int bx = 80 + static_cast<int>(seed % 150);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(120, 60, 30));
  p.drawPolygon(QPolygon({QPoint(bx - 30, 112), QPoint(bx + 30, 112), QPoint(bx + 20, 126), QPoint(bx - 20, 126)}));
  p.setBrush(Qt::white);
  p.drawPolygon(QPolygon({QPoint(bx, 40), QPoint(bx, 108), QPoint(bx + 34, 108)}));
  p.setBrush(QColor(230, 60, 50));
  p.drawPolygon(QPolygon({QPoint(bx - 3, 50), QPoint(bx - 3, 108), QPoint(bx - 30, 108)}));
}

void Mountain(QPainter& p, unsigned seed) {
  Sky(p, QColor(120, 170, 230), QColor(235, 245, 255), kHeight);
  Sun(p, QColor(255, 245, 200), 260, 36, 16);
  p.setPen(Qt::NoPen);
  const int shift = static_cast<int>(seed % 40);
  p.setBrush(QColor(110, 120, 140));
  p.drawPolygon(QPolygon({QPoint(-20, kHeight), QPoint(110 + shift, 30), QPoint(240 + shift, kHeight)}));
  p.setBrush(QColor(90, 100, 120));
  p.drawPolygon(QPolygon({QPoint(140, kHeight), QPoint(250 - shift, 60), QPoint(360, kHeight)}));
  p.setBrush(Qt::white);
  p.drawPolygon(QPolygon({QPoint(84 + shift, 62), QPoint(110 + shift, 30), QPoint(136 + shift, 62), QPoint(110 + shift, 54)}));
  p.drawPolygon(QPolygon({QPoint(232 - shift, 82), QPoint(250 - shift, 60), QPoint(268 - shift, 82)}));
  p.setBrush(QColor(245, 250, 255));
  p.drawRect(0, 160, kWidth, kHeight - 160);
}

void Stadium(QPainter& p, unsigned seed) {
  Sky(p, QColor(90, 160, 230), QColor(190, 220, 245), 70);
  p.fillRect(0, 40, kWidth, 40, QColor(150, 150, 160));  // stands
  p.setPen(QPen(QColor(120, 120, 130), 1));
  for (int y = 44; y < 80; y += 6) p.drawLine(0, y, kWidth, y);
  p.fillRect(0, 80, kWidth, kHeight - 80, QColor(40, 150, 60));  // pitch
  p.setPen(QPen(Qt::white, 2));
  p.setBrush(Qt::NoBrush);
  p.drawRect(20, 92, kWidth - 40, kHeight - 104);
  p.drawLine(kWidth / 2, 92, kWidth / 2, kHeight - 12);
  p.drawEllipse(QPoint(kWidth / 2, 135), 24, 24);
  // Floodlights.
  for (int x : {30, kWidth - 30}) {
    p.setPen(QPen(QColor(80, 80, 80), 3));
    p.drawLine(x, 10, x, 40);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 250, 210));
    p.drawRect(x - 10, 4, 20, 8);
  }
  Sun(p, Qt::white, 100 + static_cast<int>(seed % 120), 140, 5);  // the ball
}

void Night(QPainter& p, unsigned seed) {
  Sky(p, QColor(10, 15, 50), QColor(40, 50, 110), kHeight);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 220));
  unsigned s = seed * 2654435761u + 1;
  for (int i = 0; i < 40; ++i) {
    s = s * 1103515245u + 12345u;
    const int x = static_cast<int>((s >> 8) % kWidth);
    const int y = static_cast<int>((s >> 20) % 100);
    p.drawEllipse(QPoint(x, y), 1, 1);
  }
  Sun(p, QColor(250, 245, 210), 250, 40, 20);
  p.setBrush(QColor(20, 25, 60));
  p.drawEllipse(QPoint(260, 34), 18, 18);  // the crescent's shadow
  p.fillRect(0, 140, kWidth, kHeight - 140, QColor(25, 30, 40));
  for (int x = 20; x < kWidth; x += 60) {  // lanterns along the road
    p.setBrush(QColor(255, 200, 80));
    p.drawEllipse(QPoint(x, 128), 6, 6);
    p.fillRect(x - 1, 134, 3, 16, QColor(90, 90, 90));
  }
}

void Track(QPainter& p, unsigned seed) {
  Sky(p, QColor(250, 200, 120), QColor(255, 240, 200), 80);
  p.fillRect(0, 80, kWidth, kHeight - 80, QColor(225, 190, 130));  // sand
  p.setPen(QPen(QColor(80, 80, 80), 26));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QRect(30, 95, kWidth - 60, 70));
  p.setPen(QPen(Qt::white, 2, Qt::DashLine));
  p.drawEllipse(QRect(30, 95, kWidth - 60, 70));
  p.setPen(Qt::NoPen);
  const int cx = 60 + static_cast<int>(seed % 180);
  p.setBrush(QColor(220, 40, 40));
  p.drawRoundedRect(cx - 18, 150, 36, 14, 4, 4);
  p.setBrush(Qt::black);
  p.drawEllipse(QPoint(cx - 10, 166), 5, 5);
  p.drawEllipse(QPoint(cx + 10, 166), 5, 5);
}

void Arena(QPainter& p, unsigned seed) {
  p.fillRect(0, 0, kWidth, kHeight, QColor(60, 40, 80));
  for (int x = 0; x < kWidth; x += 64) {  // spotlights
    QLinearGradient g(x + 32, 0, x + 32, 120);
    g.setColorAt(0, QColor(255, 255, 230, 200));
    g.setColorAt(1, QColor(255, 255, 230, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPolygon(QPolygon({QPoint(x + 28, 0), QPoint(x + 36, 0), QPoint(x + 56, 120), QPoint(x + 8, 120)}));
  }
  p.fillRect(0, 120, kWidth, kHeight - 120, QColor(200, 150, 90));  // wooden floor
  p.setPen(QPen(QColor(170, 120, 70), 1));
  for (int x = 0; x < kWidth; x += 20) p.drawLine(x, 120, x, kHeight);
  // A climbing wall with coloured holds.
  p.fillRect(200, 20, 100, 100, QColor(150, 150, 150));
  unsigned s = seed + 7;
  for (int i = 0; i < 14; ++i) {
    s = s * 1103515245u + 12345u;
    static const QColor kHolds[] = {Qt::red, Qt::yellow, Qt::green, Qt::blue};
    p.setPen(Qt::NoPen);
    p.setBrush(kHolds[(s >> 16) % 4]);
    p.drawEllipse(QPoint(206 + static_cast<int>((s >> 4) % 88), 26 + static_cast<int>((s >> 12) % 88)), 4, 4);
  }
}

}  // namespace

QImage DrawEventScene(const std::string& scene, unsigned seed) {
  QImage img(kWidth, kHeight, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  if (scene == "sea") Sea(p, seed);
  else if (scene == "mountain") Mountain(p, seed);
  else if (scene == "stadium") Stadium(p, seed);
  else if (scene == "night") Night(p, seed);
  else if (scene == "track") Track(p, seed);
  else Arena(p, seed);
  return img;
}

std::string EventSceneBMP(const std::string& scene, unsigned seed) {
  const QImage img = DrawEventScene(scene, seed).convertToFormat(QImage::Format_RGB888);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  img.save(&buffer, "BMP");
  return bytes.toStdString();
}

}  // namespace oxqr::demodata
