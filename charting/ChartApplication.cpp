#include "ChartApplication.h"

#include <cstdlib>
#include <memory>

#include <QApplication>

#include "platform/Errors.h"

namespace oxqr {

namespace {

// Without a display server the xcb platform plugin would abort the program; the
// offscreen plugin renders everything we need.
void PreferOffscreenWithoutDisplay() {
  if (std::getenv("QT_QPA_PLATFORM") != nullptr) return;
  if (std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr) return;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
}

}  // namespace

bool TryEnsureChartApplication() {
  if (QCoreApplication::instance() == nullptr) {
    PreferOffscreenWithoutDisplay();
    // Lives until the program ends; argc and argv must outlive the application object.
    static int argc = 1;
    static char name[] = "oxqr";
    static char* argv[] = {name, nullptr};
    static const std::unique_ptr<QApplication> app = std::make_unique<QApplication>(argc, argv);
  }
  return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

void EnsureChartApplication() {
  if (!TryEnsureChartApplication())
    throw EOxQRError("Charts cannot be drawn: the program created a QGuiApplication instead of a QApplication");
}

}  // namespace oxqr
