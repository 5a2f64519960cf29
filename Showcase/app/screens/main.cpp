// showcase_screens: screenshots of the showcase for a person to look at. Run it on a real
// X display (e.g. xvfb-run -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=xcb
// showcase_screens out/screens). It shows the main window on each tab, the Properties
// window over it, the help, each report's preview and the save dialog, and takes every
// shot with `import -window root` from inside the event loop, while the windows are
// really on the screen. It checks the first shot against the main window's own grab():
// both must hold the same number of teal title pixels (exit 1 otherwise).
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "Showcase/app/HelpWindow.h"
#include "Showcase/app/MainWindow.h"
#include "Showcase/app/PropertiesWindow.h"
#include "Showcase/app/ShowcaseStart.h"
#include "engine/gui/PreviewWindow.h"

namespace fs = std::filesystem;
using namespace oxqr;

namespace {

constexpr int kSettle = 700;  // ms for windows to map and paint before a shot

fs::path g_out;
int g_shot = 0;
int g_status = 0;
TfrmProperties* g_properties = nullptr;

void After(int ms, std::function<void()> f) { QTimer::singleShot(ms, qApp, std::move(f)); }

std::string Shot(const std::string& what) {
  char name[32];
  std::snprintf(name, sizeof name, "%02d.png", ++g_shot);
  const std::string path = (g_out / name).string();
  const int rc = QProcess::execute("import", {"-window", "root", QString::fromStdString(path)});
  std::printf("%s  %s%s\n", name, what.c_str(), rc == 0 ? "" : "  (import failed)");
  if (rc != 0) g_status = 1;
  return path;
}

long TealPixels(const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  long n = 0;
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x) n += (line[x] & 0xFFFFFF) == 0x008080;
  }
  return n;
}

template <class T>
T* TopLevel() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* t = qobject_cast<T*>(w); t != nullptr && t->isVisible()) return t;
  return nullptr;
}

QAction* ToolAction(QWidget* window, const QString& text) {
  for (QToolBar* bar : window->findChildren<QToolBar*>())
    for (QAction* a : bar->actions())
      if (a->text() == text) return a;
  return nullptr;
}

// Preview of tab `tab`: a shot of the preview, for the first one also of the save dialog.
void PreviewTab(TfrmMain& main, int tab, std::function<void()> next) {
  main.PageControl()->setCurrentIndex(tab);
  After(kSettle, [&main, tab, next] {
    After(1500, [tab] {
      QDialog* preview = nullptr;
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* d = dynamic_cast<TQRPreviewWindow*>(w); d != nullptr && d->isVisible()) preview = d;
      if (preview == nullptr) return;
      Shot("preview of " + std::string(kShowcaseTabs[tab].Caption));
      if (tab != 0) {
        preview->close();
        return;
      }
      After(0, [preview] {
        After(kSettle + 300, [preview] {
          if (auto* dialog = TopLevel<QFileDialog>()) {
            Shot("save dialog");
            dialog->reject();
          }
          After(200, [preview] { preview->close(); });
        });
        if (QAction* save = ToolAction(preview, "Save")) save->trigger();
      });
    });
    main.Button2Click();
    next();
  });
}

}  // namespace

int main(int argc, char** argv) {
  g_out = argc > 1 ? fs::path(argv[1]) : fs::path("screens");
  fs::create_directories(g_out);
  QApplication app(argc, argv);
  StartShowcaseLibrary();
  const auto showcase = CreateShowcase({});
  if (!showcase) return 1;
  TfrmMain& main = *showcase->frmMain;
  g_properties = showcase->frmProperties.get();
  main.setGeometry(QApplication::primaryScreen()->availableGeometry());
  main.showMaximized();

  After(kSettle + 800, [&main] {
    const std::string first = Shot("main window, tab Customer-Orders");
    const long screen = TealPixels(QImage(QString::fromStdString(first)));
    const long grab = TealPixels(main.grab().toImage());
    std::printf("teal title pixels: screenshot %ld, window grab %ld\n", screen, grab);
    if (screen != grab || screen == 0) g_status = 1;
    main.PageControl()->setCurrentIndex(1);
    After(kSettle, [&main] {
      Shot("main window, tab Sporting Events");
      main.PageControl()->setCurrentIndex(2);
      After(kSettle, [&main] {
        Shot("main window, tab RichText");
        main.PageControl()->setCurrentIndex(3);
        After(kSettle, [&main] {
          Shot("main window, tab Chart");
          main.PageControl()->setCurrentIndex(0);
          main.PropertiesButton()->click();
          After(kSettle, [&main] {
            Shot("Properties window (PDF tab) over the main window");
            TfrmProperties* props = g_properties;
            if (props != nullptr) props->PageControl()->setCurrentIndex(1);
            After(kSettle, [&main, props] {
              Shot("Properties window, HTML tab");
              if (props != nullptr) props->PageControl()->setCurrentIndex(4);
              After(kSettle, [&main] {
                Shot("Properties window, Text tab");
                main.ShowHelp();
                After(kSettle, [&main] {
                  Shot("help window");
                  if (main.HelpViewer() != nullptr) main.HelpViewer()->close();
                  PreviewTab(main, 0, [&main] {
                    After(300, [&main] {
                      PreviewTab(main, 1, [&main] {
                        After(300, [&main] {
                          PreviewTab(main, 2, [&main] {
                            After(300, [&main] {
                              PreviewTab(main, 3, [] { After(500, [] { QApplication::exit(g_status); }); });
                            });
                          });
                        });
                      });
                    });
                  });
                });
              });
            });
          });
        });
      });
    });
  });
  return QApplication::exec();
}
