#include "designer/PreviewAction.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QScopeGuard>
#include <QStatusBar>

#include "definition/OxrDocument.h"
#include "designer/DesignDocument.h"
#include "designer/DesignLoad.h"
#include "designer/DesignerWindow.h"
#include "designer/FaultBar.h"
#include "engine/gui/PreviewWindow.h"

namespace oxqr {

TOxrNode* ElementAtOrAbove(TOxrNode& root, int line) {
  for (int l = line; l >= 1; --l)
    if (TOxrNode* node = ElementOnLine(root, l)) return node;
  return nullptr;
}

TReportActions::TReportActions(TDesignerWindow& window)
    : QObject(&window), window_(window), faultBar_(new TFaultBar(&window)) {
  setObjectName("reportActions");
  window.statusBar()->addWidget(faultBar_, 1);
  QMenu* menu = window.Menu("Report");
  auto* preview = new QAction(tr("&Preview"), &window);  // owned by the window
  preview->setObjectName("actionPreview");
  preview->setShortcut(QKeySequence(Qt::Key_F5));
  preview->setShortcutContext(Qt::ApplicationShortcut);
  preview->setStatusTip(tr("Run the report as designed now, with its data, in the preview window"));
  preview->setToolTip(tr("Preview the report (F5)"));
  connect(preview, &QAction::triggered, this, [this] { Preview(); });
  if (menu != nullptr) menu->addAction(preview);
  window.addAction(preview);  // F5 works while the menu bar is hidden too
  // A fault names a line and an element of the definition it came from: another definition
  // (New, Open) leaves it behind.
  connect(&window.Document(), &TDesignDocument::Replaced, faultBar_, &TFaultBar::Clear);
}

bool TReportActions::Preview() {
  TDesignDocument& document = window_.Document();
  // A value still being typed in the inspector is part of the current state: the editor
  // commits it when it loses the focus, which it gets back afterwards.
  const QPointer<QWidget> focused = QApplication::focusWidget();
  if (focused != nullptr) focused->clearFocus();
  faultBar_->Clear();
  const auto restoreFocus = qScopeGuard([&] {
    if (focused != nullptr) focused->setFocus();
  });
  std::unique_ptr<TReportDefinition> loaded;
  try {
    loaded = LoadDesign(document.Tree(), document);
    PreviewReport(loaded->Report(), &window_);
    return true;
  } catch (const EDefinitionError& error) {
    ShowFault(error);
  } catch (const std::exception& error) {
    faultBar_->ShowMessage(QString::fromStdString(error.what()));
  }
  return false;
}

void TReportActions::ShowFault(const EDefinitionError& error) {
  TDesignDocument& document = window_.Document();
  TOxrNode* element = ElementAtOrAbove(document.Tree().Root(), error.Line());
  if (element != nullptr && element != &document.Tree().Root()) document.Select({element});
  faultBar_->ShowFault(error, element);
}

TReportActions* InstallReportActions(TDesignerWindow& window) {
  return new TReportActions(window);
}  // owned by the window

}  // namespace oxqr
