#pragma once
// The File menu: New, Open, Open Recent, Save, Save As and Quit; the title bar's mark for
// unsaved changes and the question before they are lost (closing, New, Open); a recovery
// file written every minute while there are unsaved changes, offered at the next start when
// the designer ended without saving or closing.
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "designer/NewReportDialog.h"

class QAction;
class QMenu;
class QTimer;

namespace oxqr {

class TDesignerWindow;
class TDesignDocument;

class TFileActions final : public QObject {
  Q_OBJECT
 public:
  // Adds the actions to the window's File menu and watches its closing.
  static TFileActions& Install(TDesignerWindow& window);
  explicit TFileActions(TDesignerWindow& window);

  bool New();
  bool Open(const QString& fileName = {});  // asks for the file when none is given
  // Opens a file of the recent list; one that no longer exists leaves the list.
  bool OpenRecent(const QString& fileName);
  bool Save();
  bool SaveAs(const QString& fileName = {});  // asks for the name when none is given
  // Asks whether to save unsaved changes: true when they were saved or may be dropped.
  bool MaybeSave();

  // Recovery: where this process writes its file, writing it now, and offering a file left by
  // a designer that ended without saving (true when one was restored).
  QString RecoveryFile() const;
  void WriteRecovery();
  bool OfferRecovery();
  void SetRecoveryInterval(int milliseconds);

  QStringList RecentFiles() const;

  // The dialogs, replaceable so that tests drive the actions without modal windows.
  std::function<QString(bool save)> ChooseFile;
  std::function<std::optional<TNewPage>()> ChoosePage;
  // Save / Discard / Cancel for unsaved changes.
  std::function<int(const QString& question)> AskSave;
  std::function<bool(const QString& question)> AskYesNo;
  std::function<void(const QString& message)> ShowError;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void UpdateTitle();
  void AddRecent(const QString& fileName);
  void RebuildRecentMenu();
  void RemoveRecovery();

  TDesignerWindow& window_;
  TDesignDocument& document_;
  QMenu* recentMenu_ = nullptr;
  QTimer* recoveryTimer_;
};

}  // namespace oxqr
