#include "PieChart.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include <QCoreApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QLinearGradient>
#include <QPainter>
#include <QtCharts/QChart>
#include <QtCharts/QLegend>
#include <QtCharts/QPieSeries>
#include <QtCharts/QPieSlice>

#include "ChartApplication.h"
#include "SliceColors.h"
#include "platform/CodePage.h"
#include "platform/TextMetrics.h"

namespace oxqr {

namespace {

constexpr int kPadding = 8;  // screen pixels between the panel's edge and its content

void SetUpSeries(QPieSeries& series, const TPieChart& chart, const std::vector<TPieSlice>& slices) {
  for (const TPieSlice& s : slices)
    if (s.Value > 0) series.append(AnsiToQString(s.Label), s.Value);
  const std::vector<TColor> colors = SliceColors(chart.SeriesColor, static_cast<int>(series.count()));
  const QFont labelFont = ToQFont(chart.LabelFont);
  const QList<QPieSlice*> pieSlices = series.slices();
  for (qsizetype i = 0; i < pieSlices.size(); ++i) {
    QPieSlice* slice = pieSlices[i];
    slice->setBrush(ToQColor(colors[static_cast<std::size_t>(i)]));
    slice->setPen(QPen(Qt::white, 1));  // a thin gap between neighbouring shades
    slice->setLabelVisible(chart.MarksVisible);
    slice->setLabelPosition(QPieSlice::LabelOutside);
    slice->setLabelFont(labelFont);
    slice->setLabelColor(ToQColor(chart.LabelFont.Color));
  }
  // Room around the pie for the marks.
  series.setPieSize(chart.MarksVisible ? 0.6 : 0.9);
}

void SetUpLegend(QLegend& legend, const TPieChart& chart) {
  legend.setVisible(chart.LegendVisible);
  legend.setAlignment(Qt::AlignRight);
  legend.setFont(ToQFont(chart.LabelFont));
  legend.setLabelColor(ToQColor(chart.LabelFont.Color));
  legend.setBackgroundVisible(false);
}

// QChart only centres its own title, so the title is a text item of our own, placed at
// the left, the centre or the right of the panel in the top margin kept free for it.
// Returns the height the title takes, padding included.
int AddTitle(QChart& qchart, const TPieChart& chart, int width) {
  if (chart.Title.empty()) return kPadding;
  auto title = std::make_unique<QGraphicsSimpleTextItem>(AnsiToQString(chart.Title));
  title->setFont(ToQFont(chart.TitleFont));
  title->setBrush(ToQColor(chart.TitleFont.Color));
  const QRectF box = title->boundingRect();
  double x = kPadding;
  if (chart.TitleAlignment == TAlignment::taCenter) x = (width - box.width()) / 2;
  if (chart.TitleAlignment == TAlignment::taRightJustify) x = width - kPadding - box.width();
  title->setPos(x, kPadding);
  title.release()->setParentItem(&qchart);  // the chart owns its child items
  return kPadding + static_cast<int>(std::ceil(box.height())) + kPadding;
}

void PaintPanel(QPainter& painter, const TPieChart& chart, const QRectF& rect) {
  if (chart.Gradient.Visible) {
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, ToQColor(chart.Gradient.StartColor));
    gradient.setColorAt(1, ToQColor(chart.Gradient.EndColor));
    painter.fillRect(rect, gradient);
  } else if (chart.Color != clNone) {
    painter.fillRect(rect, ToQColor(chart.Color));
  }
}

}  // namespace

TPieChart::TPieChart() {
  TitleFont.Color = clBlue;
  TitleFont.Size = 12;
}

QImage TPieChart::Render(const std::vector<TPieSlice>& slices, int layoutWidth, int layoutHeight, int imageWidth,
                         int imageHeight, TColor background) const {
  QImage image(std::max(imageWidth, 0), std::max(imageHeight, 0), QImage::Format_RGB32);
  image.fill(ToQColor(background));
  if (image.isNull() || layoutWidth <= 0 || layoutHeight <= 0) return image;
  EnsureChartApplication();

  QGraphicsScene scene;
  auto owned = std::make_unique<QChart>();
  QChart& qchart = *owned;
  scene.addItem(owned.release());  // the scene owns and deletes the chart
  qchart.setBackgroundVisible(false);  // the panel is painted below the scene
  qchart.setPlotAreaBackgroundVisible(false);
  qchart.setDropShadowEnabled(false);
  qchart.setBackgroundRoundness(0);
  qchart.layout()->setContentsMargins(0, 0, 0, 0);
  const int titleHeight = AddTitle(qchart, *this, layoutWidth);
  qchart.setMargins(QMargins(kPadding, titleHeight, kPadding, kPadding));

  auto ownedSeries = std::make_unique<QPieSeries>();
  QPieSeries& series = *ownedSeries;
  qchart.addSeries(ownedSeries.release());  // the chart owns its series
  // After addSeries: the chart's theme would otherwise restyle the slices.
  SetUpSeries(series, *this, slices);
  SetUpLegend(*qchart.legend(), *this);

  const QRectF layoutRect(0, 0, layoutWidth, layoutHeight);
  qchart.setGeometry(layoutRect);
  scene.setSceneRect(layoutRect);
  // The chart lays out its plot area, legend and labels on posted layout requests.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);

  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  const QRectF target(0, 0, image.width(), image.height());
  PaintPanel(painter, *this, target);
  scene.render(&painter, target, layoutRect, Qt::IgnoreAspectRatio);
  return image;
}

}  // namespace oxqr
