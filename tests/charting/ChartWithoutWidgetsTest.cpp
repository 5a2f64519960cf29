// Charts need a QApplication; in a program that already runs a plain QGuiApplication
// drawing one must fail with an error instead of crashing inside Qt.
#include <gtest/gtest.h>

#include <QGuiApplication>

#include "charting/ChartApplication.h"
#include "charting/DBChart.h"
#include "platform/Errors.h"
#include "platform/TextMetrics.h"

namespace oxqr {
namespace {

TEST(ChartWithoutWidgets, DrawingUnderAGuiApplicationThrows) {
  EnsureGuiApplication();  // what the platform layer does on its first use of fonts
  ASSERT_NE(QGuiApplication::instance(), nullptr);
  EXPECT_FALSE(TryEnsureChartApplication());

  TQRDBChart chart;
  chart.SetBoundsMM(0, 0, 40, 30);
  chart.Slices = {{"a", 1}};
  EXPECT_THROW(chart.ChartBitmap(clWhite), EOxQRError);
  // An empty control draws nothing and needs no application.
  TQRDBChart empty;
  EXPECT_TRUE(empty.ChartBitmap(clWhite)->Empty());
}

}  // namespace
}  // namespace oxqr
