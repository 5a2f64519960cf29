#pragma once
// The attributes of the selection, with typed editors: every attribute the schema allows
// on the selected elements (those all of them allow when several are selected; the
// report's own when nothing is). A value the selected elements share is shown, one they
// differ in is blank; a change applies to all of them as one undo step. Token text,
// conditions, expressions and field references are checked as they are typed, the
// loader's message and position shown in red under the field.
#include <QWidget>
#include <map>
#include <set>
#include <string>
#include <vector>

class QLabel;
class QScrollArea;

namespace oxqr {

class TAttributeChecker;
class TAttributeEditor;
class TDesignDocument;
class TOxrNode;

class TInspector final : public QWidget {
  Q_OBJECT
 public:
  explicit TInspector(TDesignDocument& document, QWidget* parent = nullptr);
  ~TInspector() override;

  // The elements the inspector edits: the selection, or the report when nothing is selected.
  std::vector<TOxrNode*> Targets() const;
  // The editor of `attribute` (objectName: the attribute's name) and the label under it
  // that shows its fault (objectName "fault:" + name); null when not shown. A fault is a
  // value typed wrong, or a value in the file that the attribute's type does not allow.
  QWidget* Editor(const std::string& attribute) const;
  QLabel* FaultLabel(const std::string& attribute) const;

 private:
  void Rebuild();
  void Refresh();
  // Shows `text` in red under a field (hides the label when it is empty).
  void ShowFault(QLabel& label, const QString& text);

  TDesignDocument& document_;
  TAttributeChecker* checker_;  // child of the inspector
  QLabel* title_;
  QScrollArea* scroll_;
  std::vector<TOxrNode*> shown_;  // the targets the form was built for
  std::map<std::string, TAttributeEditor*> editors_;
  std::map<std::string, QLabel*> faults_;
  std::set<std::string> checked_;  // attributes checked as they are typed
};

}  // namespace oxqr
