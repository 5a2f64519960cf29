#pragma once
// The designer's main window: the page in the middle, the palette, the data panel and the
// inspector docked around it, and the menus every action is reachable from.
#include <QMainWindow>
#include <QString>

class QMenu;

namespace oxqr {

class TDesignDocument;
class TPageView;
class TPalette;
class TDataPanel;
class TInspector;

class TDesignerWindow final : public QMainWindow {
  Q_OBJECT
 public:
  explicit TDesignerWindow(QWidget* parent = nullptr);
  ~TDesignerWindow() override;

  TDesignDocument& Document() { return *document_; }
  TPageView& PageView() { return *page_; }
  TPalette& Palette() { return *palette_; }
  TDataPanel& DataPanel() { return *data_; }
  TInspector& Inspector() { return *inspector_; }
  // The window's menus, by their names without accelerators ("File", "Edit", "View",
  // "Insert", "Report", "Help"), for the parts that add their actions.
  QMenu* Menu(const QString& name) const;

 private:
  // Edit (undo, redo and the page's edits), View (zoom, grid) and Insert (bands).
  void AddEditingMenus();

  TDesignDocument* document_;  // owned by the window (QObject child)
  TPageView* page_;
  TPalette* palette_;
  TDataPanel* data_;
  TInspector* inspector_;
};

}  // namespace oxqr
