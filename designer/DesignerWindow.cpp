#include "designer/DesignerWindow.h"

#include <QDockWidget>
#include <QMenuBar>
#include <QScrollArea>

#include "designer/DataPanel.h"
#include "designer/DesignDocument.h"
#include "designer/Inspector.h"
#include "designer/PageView.h"
#include "designer/Palette.h"
#include "designer/PreviewAction.h"

namespace oxqr {

namespace {

QDockWidget* Dock(QMainWindow& window, const QString& title, const QString& objectName, QWidget* content,
                  Qt::DockWidgetArea area) {
  auto* dock = new QDockWidget(title, &window);  // owned by the window
  dock->setObjectName(objectName);
  dock->setWidget(content);
  window.addDockWidget(area, dock);
  return dock;
}

}  // namespace

TDesignerWindow::TDesignerWindow(QWidget* parent)
    : QMainWindow(parent), document_(new TDesignDocument(this)),  // children of the window
      page_(new TPageView(*document_, this)), palette_(new TPalette(*document_, this)),
      data_(new TDataPanel(*document_, this)), inspector_(new TInspector(*document_, this)) {
  setObjectName("designerWindow");
  for (const char* name : {"&File", "&Edit", "&View", "&Insert", "&Report", "&Help"}) menuBar()->addMenu(tr(name));
  setCentralWidget(page_);
  Dock(*this, tr("Palette"), "paletteDock", palette_, Qt::LeftDockWidgetArea);
  Dock(*this, tr("Data"), "dataDock", data_, Qt::LeftDockWidgetArea);
  Dock(*this, tr("Properties"), "inspectorDock", inspector_, Qt::RightDockWidgetArea);
  InstallReportActions(*this);
  resize(1366, 768);
}

TDesignerWindow::~TDesignerWindow() = default;

QMenu* TDesignerWindow::Menu(const QString& name) const {
  for (QMenu* m : menuBar()->findChildren<QMenu*>(Qt::FindDirectChildrenOnly))
    if (m->title().remove('&') == name) return m;
  return nullptr;
}

}  // namespace oxqr
