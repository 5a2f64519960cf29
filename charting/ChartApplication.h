#pragma once
// Qt Charts draw through QGraphicsScene, which needs a QApplication: under a
// QGuiApplication alone it crashes. The platform layer creates a QGuiApplication on its
// first use of fonts when a program has none, so a program that prints charts must have
// its QApplication before that: a widgets program has one anyway; the chart control
// asks for one when it is constructed, and programs without widgets (the command-line
// exporter, tests) may call these first thing.

namespace oxqr {

// Creates a QApplication (on the offscreen platform when no display is set) when there
// is no application object yet. Answers whether a QApplication exists now.
bool TryEnsureChartApplication();
// As TryEnsureChartApplication, but throws EOxQRError when charts cannot be drawn
// because the program already runs a QGuiApplication or QCoreApplication.
void EnsureChartApplication();

}  // namespace oxqr
