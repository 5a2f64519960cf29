// The designer's page while a selection is dragged (offscreen): one repaint at a zoom of a
// page of 500 controls, for the part of the page a window shows and for the whole page.
// Controls of a definition that loads are drawn by the engine's design surface; texts bound
// to fields of no dataset make the definition fail to load and are drawn from the tree.
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <string>

#include "definition/OxrDocument.h"
#include "designer/DesignDocument.h"
#include "designer/PageGeometry.h"
#include "designer/PageView.h"

namespace {

using namespace oxqr;

// Ten bands of fifty controls each: labels, shapes, system data and memos (or texts bound
// to fields when `bound`).
std::string PageOf500(bool bound) {
  std::string s = "<report name=\"R\" paper=\"A4\" topMargin=\"10\" bottomMargin=\"10\" leftMargin=\"10\" rightMargin=\"10\">\n";
  int n = 0;
  for (int b = 0; b < 10; ++b) {
    s += "<band type=\"" + std::string(b == 0 ? "title" : "detail") + "\" name=\"B" + std::to_string(b) + "\" height=\"27\">\n";
    for (int i = 0; i < 50; ++i, ++n) {
      const std::string at = " left=\"" + std::to_string(i % 10 * 19) + "\" top=\"" + std::to_string(i / 10 * 5) +
                             "\" width=\"18\" height=\"4.5\"";
      const std::string name = " name=\"C" + std::to_string(n) + "\"";
      switch (i % 4) {
        case 0: s += "<label" + name + at + " text=\"Label " + std::to_string(n) + "\" fontStyle=\"bold\"/>\n"; break;
        case 1: s += "<shape" + name + at + " shape=\"rectangle\" brushColor=\"aqua\"/>\n"; break;
        case 2: s += "<sysdata" + name + at + " data=\"pageNumber\" text=\"Page \"/>\n"; break;
        default:
          s += bound ? "<text" + name + at + " field=\"Orders.Amount\" align=\"right\"/>\n"
                     : "<memo" + name + at + "><line>two words</line></memo>\n";
      }
    }
    s += "</band>\n";
  }
  return s + "</report>\n";
}

void SendMouse(QWidget& w, QEvent::Type type, const QPointF& p) {
  QMouseEvent e(type, p, w.mapToGlobal(p), Qt::LeftButton,
                type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton), Qt::NoModifier);
  QApplication::sendEvent(&w, &e);
}

// state.range(0): zoom; range(1): 1 for the whole page, 0 for a 1100 x 650 window's part;
// range(2): 1 for texts bound to fields (drawn from the tree).
void BM_RepaintWhileDragging(benchmark::State& state) {
  TDesignDocument doc;
  doc.Reset(ReadOxrDocument(PageOf500(state.range(2) != 0), "bench.oxr"), {});
  TPageView view(doc);
  view.SetZoom(static_cast<int>(state.range(0)));
  QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
  {
    QPainter first(&image);
    view.PaintPage(first, image.rect());  // loads the definition once, as the first show does
  }
  // Twenty controls of the second band selected, the drag under way.
  TOxrNode* band = doc.Tree().Root().Elements("band")[1];
  const auto controls = page::Controls(*band);
  doc.Select(std::vector<TOxrNode*>(controls.begin(), controls.begin() + 20));
  const QPointF start = view.ScreenRect(*controls.front()).center();
  SendMouse(view, QEvent::MouseButtonPress, start);
  SendMouse(view, QEvent::MouseMove, start + QPointF(20, 10));
  const QRect exposed = state.range(1) != 0 ? image.rect() : QRect(0, 0, 1100, 650).intersected(image.rect());
  int step = 0;
  for (auto _ : state) {
    SendMouse(view, QEvent::MouseMove, start + QPointF(20 + step % 40, 10 + step % 17));
    ++step;
    QPainter painter(&image);
    view.PaintPage(painter, exposed);
  }
  SendMouse(view, QEvent::MouseButtonRelease, start);
  state.SetLabel(std::string(state.range(1) ? "whole page" : "window") + (state.range(2) ? ", from the tree" : ", engine"));
}

// One repaint of the whole page with nothing dragged (after an edit, at a zoom), and the
// picture of the still page a drag takes when it starts.
void BM_RepaintStill(benchmark::State& state) {
  TDesignDocument doc;
  doc.Reset(ReadOxrDocument(PageOf500(false), "bench.oxr"), {});
  TPageView view(doc);
  view.SetZoom(static_cast<int>(state.range(0)));
  QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    QPainter painter(&image);
    view.PaintPage(painter, image.rect());
  }
  state.SetLabel("whole page, engine");
}

}  // namespace

BENCHMARK(BM_RepaintStill)->Arg(100)->Arg(200)->ArgName("zoom")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintWhileDragging)
    ->ArgsProduct({{100, 200}, {0, 1}, {0, 1}})
    ->ArgNames({"zoom", "whole", "bound"})
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
