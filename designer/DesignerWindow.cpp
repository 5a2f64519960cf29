#include "designer/DesignerWindow.h"

#include <QAction>
#include <QDockWidget>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QUndoStack>

#include "designer/DataPanel.h"
#include "designer/DesignDocument.h"
#include "designer/FileActions.h"
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
  auto* scroll = new QScrollArea(this);  // owned by the window
  scroll->setObjectName("pageScroll");
  scroll->setWidget(page_);
  scroll->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setCentralWidget(scroll);
  AddEditingMenus();
  connect(palette_, &TPalette::ToolChosen, page_, [this](const std::string& kind) {
    page_->SetPendingTool(kind);
    page_->setFocus();
  });
  connect(page_, &TPageView::Message, this, [this](const QString& text) { statusBar()->showMessage(text, 8000); });
  Dock(*this, tr("Palette"), "paletteDock", palette_, Qt::LeftDockWidgetArea);
  Dock(*this, tr("Data"), "dataDock", data_, Qt::LeftDockWidgetArea);
  Dock(*this, tr("Properties"), "inspectorDock", inspector_, Qt::RightDockWidgetArea);
  InstallReportActions(*this);
  resize(1366, 768);
  TFileActions::Install(*this);
}

TDesignerWindow::~TDesignerWindow() = default;

void TDesignerWindow::AddEditingMenus() {
  QMenu* edit = Menu("Edit");
  QAction* undo = document_->UndoStack().createUndoAction(this, tr("&Undo"));
  undo->setObjectName("undo");
  undo->setShortcut(QKeySequence::Undo);
  undo->setToolTip(tr("Undo the last change"));
  QAction* redo = document_->UndoStack().createRedoAction(this, tr("&Redo"));
  redo->setObjectName("redo");
  redo->setShortcut(QKeySequence::Redo);
  redo->setToolTip(tr("Redo the change undone last"));
  edit->addAction(undo);
  edit->addAction(redo);
  edit->addSeparator();
  for (const char* name : {"Edit", "View", "Insert"}) {
    QMenu* menu = Menu(name);
    for (QAction* a : page_->MenuActions(name)) {
      if (a) menu->addAction(a);
      else menu->addSeparator();
    }
  }
  for (QMenu* menu : {Menu("Edit"), Menu("View"), Menu("Insert")}) menu->setToolTipsVisible(true);
}

QMenu* TDesignerWindow::Menu(const QString& name) const {
  for (QMenu* m : menuBar()->findChildren<QMenu*>(Qt::FindDirectChildrenOnly))
    if (m->title().remove('&') == name) return m;
  return nullptr;
}

}  // namespace oxqr
