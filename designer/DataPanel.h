#pragma once
// The report's data: parameters (typed, with defaults) and datasets (tables, queries, JSON
// datasets) with their fields read from the database and their calculated fields, in one
// tree; the SQL of the selected query in an editor with Run, which shows its first records
// or the database's message with the fault's place. A field is dragged onto the page as
// "Dataset.Field". Every change goes through the design document's undo stack.
#include <QWidget>
#include <functional>
#include <map>
#include <string>

#include "designer/DataPreview.h"

class QLabel;
class QLineEdit;
class QComboBox;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace oxqr {

class TDesignDocument;
class TOxrNode;

// The mime type of a dragged field; its data is "Dataset.Field" in UTF-8.
inline constexpr const char* kFieldMimeType = "application/x-oxqr-field";

class TDataPanel final : public QWidget {
  Q_OBJECT
 public:
  explicit TDataPanel(TDesignDocument& document, QWidget* parent = nullptr);

  // The database the report reads, as the loader would resolve it (the document's default
  // database when the definition names none).
  QString Database() const;

  QTreeWidget& Tree() { return *tree_; }
  QPlainTextEdit& SqlEditor() { return *sql_; }
  QTableWidget& Results() { return *results_; }
  QLabel& Message() { return *message_; }

  // Runs the SQL in the editor (or reads the selected table) and shows the first rows.
  void Run();
  // Puts the editor's SQL into the selected query, as one undoable change.
  void ApplySql();
  // Parameters: added with a free name, changed and removed as undoable changes.
  TOxrNode* AddParameter();
  void SetParameter(TOxrNode* parameter, const QString& name, const QString& type, const QString& value);
  void RemoveParameter(TOxrNode* parameter);
  // Datasets: a query with `sql`, a table of the database, each with a free name, placed after
  // the datasets there are; the first one also drives the report when it names no dataset.
  TOxrNode* AddQuery(const QString& sql);
  TOxrNode* AddTable(const QString& table);
  // Renames a dataset (and the report's reference to it) as one undoable change.
  void RenameDataSet(TOxrNode* dataset, const QString& name);
  void RemoveDataSet(TOxrNode* dataset);
  // Asks for the table of Add Table (replaceable for tests).
  std::function<QString()> AskTableName;

  // The dataset or parameter element an item of the tree stands for.
  TOxrNode* NodeOf(const QTreeWidgetItem* item) const;

 private:
  void Rebuild();
  std::string DataSignature() const;
  void SelectionChanged();
  void ShowPreview(const TDataPreview& preview);
  void ApplyParameterForm();
  const TDataPreview& Fields(const TOxrNode& dataset);
  TOxrNode* AddDataSet(std::unique_ptr<TOxrNode> dataset, const QString& what);
  std::string FreeName(const std::string& stem) const;
  void SelectNode(const TOxrNode* node);

  TDesignDocument& document_;
  QTreeWidget* tree_;
  QPlainTextEdit* sql_;
  QPushButton* run_;
  QPushButton* applySql_;
  QTableWidget* results_;
  QLabel* message_;
  QLineEdit* paramName_;
  QComboBox* paramType_;
  QLineEdit* paramDefault_;
  QWidget* paramForm_;
  QLineEdit* dataName_;
  // Fields read from the database, by database and dataset text, so that a rebuild after
  // an edit elsewhere does not read the database again.
  std::map<std::string, TDataPreview> fieldCache_;
  std::string signature_;  // of what the tree shows (see DataSignature)
};

}  // namespace oxqr
