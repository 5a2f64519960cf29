#include "ChartApplication.h"

#include <cstdlib>
#include <memory>

#include <QApplication>

#include "platform/Errors.h"

namespace oxqr {

namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// Without a display server the xcb platform plugin would abort the program; the
// offscreen plugin renders everything we need.
void PreferOffscreenWithoutDisplay() {
  if (IsSet("QT_QPA_PLATFORM") || IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY")) return;
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
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
