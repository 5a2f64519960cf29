#pragma once
// The definition being designed: its tree, the file it came from, the selection, and the
// undo stack every change goes through. Views and panels read the tree and listen to
// Changed/SelectionChanged; they change it only through this class's commands, so that each
// change is one undoable step with a name the Edit menu shows.
#include <QObject>
#include <QString>
#include <QUndoStack>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "definition/OxrDocument.h"

namespace oxqr {

// One attribute of one element set to a value (nullopt removes it).
struct TAttributeChange {
  TOxrNode* Node = nullptr;
  std::string Name;
  std::optional<std::string> Value;
};

class TDesignDocument final : public QObject {
  Q_OBJECT
 public:
  explicit TDesignDocument(QObject* parent = nullptr);
  ~TDesignDocument() override;

  TOxrDocument& Tree() { return tree_; }
  const TOxrDocument& Tree() const { return tree_; }
  QUndoStack& UndoStack() { return undo_; }

  // The file the document is saved to (empty for a new report).
  const QString& FileName() const { return fileName_; }
  void SetFileName(const QString& name);
  bool IsModified() const { return !undo_.isClean(); }
  // Replaces the whole tree (New, Open): clears the undo stack and the selection.
  void Reset(TOxrDocument tree, const QString& fileName);
  // Marks the current state as saved.
  void MarkSaved() { undo_.setClean(); }

  // The database a definition that names none reads while it is designed (the program's
  // sample database), one setting for the page, the data panel, the inspector's checks and
  // the preview. Setting it is no edit of the definition: it emits Changed, so that what
  // was read from the old database is read again, and leaves the undo stack alone.
  const QString& DefaultDatabase() const { return defaultDatabase_; }
  void SetDefaultDatabase(const QString& path);

  // Edits, each pushed as one undo command named `what` ("Move", "Resize", "Delete").
  void SetAttributes(std::vector<TAttributeChange> changes, const QString& what);
  TOxrNode* InsertNode(TOxrNode* parent, std::size_t index, std::unique_ptr<TOxrNode> node, const QString& what);
  void RemoveNodes(const std::vector<TOxrNode*>& nodes, const QString& what);
  // Moves `node` to `index` among the children of `parent` (reorder, z-order, move to band).
  void MoveNode(TOxrNode* node, TOxrNode* parent, std::size_t index, const QString& what);
  // Several commands as one undo step.
  void BeginMacro(const QString& what) { undo_.beginMacro(what); }
  void EndMacro() { undo_.endMacro(); }

  // The selected elements (controls, bands, datasets, parameters), in selection order.
  const std::vector<TOxrNode*>& Selection() const { return selection_; }
  void Select(std::vector<TOxrNode*> nodes);

  // The canonical text of the tree as it stands.
  std::string Text();

  // Called by the undo commands after they changed the tree.
  void NotifyChanged();

 signals:
  void Changed();
  void SelectionChanged();
  void FileNameChanged();
  // The whole tree was replaced (New, Open, a recovered file): what was shown about the old
  // one (a preview's fault) no longer applies.
  void Replaced();

 private:
  TOxrDocument tree_;
  QUndoStack undo_;
  QString fileName_;
  QString defaultDatabase_;
  std::vector<TOxrNode*> selection_;
};

}  // namespace oxqr
