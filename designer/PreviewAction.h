#pragma once
// The Report menu: Preview (F5) runs the report as the designer holds it now, with its
// data, in the engine's preview window (print and save from there). A fault of the
// definition or its data selects the element concerned and shows the message with its
// position in the fault bar under the page.
#include <QObject>

namespace oxqr {

class EDefinitionError;
class TDesignerWindow;
class TFaultBar;
class TOxrNode;

class TReportActions final : public QObject {
  Q_OBJECT
 public:
  // Adds the actions to `window`'s Report menu and the fault bar to its status bar.
  explicit TReportActions(TDesignerWindow& window);

  // Loads the current state and previews it; false (with the fault shown) when it failed.
  bool Preview();
  TFaultBar& FaultBar() const { return *faultBar_; }

 private:
  // Selects the element of the fault's line and shows the fault.
  void ShowFault(const EDefinitionError& error);

  TDesignerWindow& window_;
  TFaultBar* faultBar_;  // owned by the status bar
};

// Installs the Report menu's actions on `window` (owned by the window).
TReportActions* InstallReportActions(TDesignerWindow& window);

// The element whose start tag is on `line` of the canonical text, or the nearest one above
// (a fault inside a query's SQL names the query).
TOxrNode* ElementAtOrAbove(TOxrNode& root, int line);

}  // namespace oxqr
