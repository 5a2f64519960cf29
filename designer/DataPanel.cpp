#include "designer/DataPanel.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QTableWidget>
#include <QTextBlock>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdint>
#include <functional>

#include "designer/DesignDocument.h"

namespace oxqr {

namespace {

constexpr int kNodeRole = Qt::UserRole;       // the element an item stands for
constexpr int kFieldRole = Qt::UserRole + 1;  // "Dataset.Field" of a field item
constexpr std::size_t kPreviewRows = 100;

bool IsDataSet(const TOxrNode& n) { return n.Name() == "table" || n.Name() == "query" || n.Name() == "json"; }

// The tree whose field items drag as "Dataset.Field".
class TFieldTree final : public QTreeWidget {
 public:
  using QTreeWidget::QTreeWidget;

 protected:
  QStringList mimeTypes() const override { return {kFieldMimeType}; }
  QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override {
    for (const QTreeWidgetItem* item : items) {
      const QString field = item->data(0, kFieldRole).toString();
      if (field.isEmpty()) continue;
      auto* data = new QMimeData;  // owned by the drag
      data->setData(kFieldMimeType, field.toUtf8());
      data->setText(field);
      return data;
    }
    return nullptr;
  }
  Qt::DropActions supportedDropActions() const override { return Qt::CopyAction; }
};

QTreeWidgetItem* Item(QTreeWidgetItem* parent, const QString& text, const QString& tip = {}) {
  auto* item = new QTreeWidgetItem(parent, {text});  // owned by its parent
  item->setToolTip(0, tip.isEmpty() ? text : tip);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  return item;
}

// Where the text's byte `offset` is, as "line L, column C" counted from 1.
QString Place(const std::string& text, long offset) {
  int line = 1, column = 1;
  for (long i = 0; i < offset && i < static_cast<long>(text.size()); ++i) {
    if (text[static_cast<std::size_t>(i)] == '\n') {
      ++line;
      column = 1;
    } else if ((static_cast<unsigned char>(text[static_cast<std::size_t>(i)]) & 0xC0) != 0x80) {
      ++column;
    }
  }
  return QObject::tr("line %1, column %2").arg(line).arg(column);
}

}  // namespace

TDataPanel::TDataPanel(TDesignDocument& document, QWidget* parent)
    : QWidget(parent), document_(document), tree_(new TFieldTree(this)), sql_(new QPlainTextEdit(this)),
      run_(new QPushButton(tr("&Run"), this)), applySql_(new QPushButton(tr("Apply S&QL"), this)),
      results_(new QTableWidget(this)), message_(new QLabel(this)), paramName_(new QLineEdit(this)),
      paramType_(new QComboBox(this)), paramDefault_(new QLineEdit(this)), paramForm_(new QWidget(this)),
      dataName_(new QLineEdit(this)) {
  setObjectName("dataPanel");
  tree_->setObjectName("dataTree");
  tree_->setHeaderHidden(true);
  tree_->setDragEnabled(true);
  tree_->setDragDropMode(QAbstractItemView::DragOnly);
  tree_->setToolTip(tr("Parameters and datasets; drag a field onto a band to place a text bound to it"));
  sql_->setObjectName("sqlEditor");
  sql_->setPlaceholderText(tr("SQL of the selected query"));
  sql_->setToolTip(tr("The selected query's SQL; Apply SQL keeps it, Run shows its first rows"));
  sql_->setTabChangesFocus(true);
  sql_->setLineWrapMode(QPlainTextEdit::NoWrap);  // SQL keeps its lines as written
  sql_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  run_->setToolTip(tr("Read the first rows of the selected dataset from the database (Ctrl+Return)"));
  run_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
  applySql_->setToolTip(tr("Put the edited SQL into the query (undoable)"));
  message_->setObjectName("dataMessage");
  message_->setWordWrap(true);
  message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  message_->setStyleSheet("color: #c00000");
  results_->setObjectName("dataResults");
  results_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  results_->verticalHeader()->setDefaultSectionSize(results_->fontMetrics().height() + 4);

  paramType_->addItems({"string", "integer", "float", "date", "boolean"});
  paramName_->setPlaceholderText(tr("name"));
  paramDefault_->setPlaceholderText(tr("default"));
  paramName_->setToolTip(tr("The parameter's name: letters, digits and _"));
  paramType_->setToolTip(tr("The parameter's type"));
  paramDefault_->setToolTip(tr("The value the report uses when none is given"));
  auto* addParam = new QPushButton(tr("&Add Parameter"), this);
  auto* removeParam = new QPushButton(tr("Remo&ve"), this);
  addParam->setToolTip(tr("Add a parameter to the report"));
  removeParam->setToolTip(tr("Remove the selected parameter"));
  auto* form = new QHBoxLayout(paramForm_);
  form->setContentsMargins(0, 0, 0, 0);
  form->addWidget(paramName_);
  form->addWidget(paramType_);
  form->addWidget(paramDefault_);

  dataName_->setPlaceholderText(tr("dataset name"));
  dataName_->setToolTip(tr("The selected dataset's name, as fields name it (Dataset.Field)"));
  dataName_->setEnabled(false);
  auto* addQuery = new QPushButton(tr("Add &Query"), this);
  auto* addTable = new QPushButton(tr("Add &Table..."), this);
  auto* removeData = new QPushButton(tr("Remove &Dataset"), this);
  addQuery->setToolTip(tr("Add a query dataset with the SQL in the editor"));
  addTable->setToolTip(tr("Add a dataset over a table of the database"));
  removeData->setToolTip(tr("Remove the selected dataset"));
  auto* dataButtons = new QHBoxLayout;
  dataButtons->addWidget(addQuery);
  dataButtons->addWidget(addTable);
  dataButtons->addWidget(removeData);
  AskTableName = [this] { return QInputDialog::getText(this, tr("Add Table"), tr("Table of the database:")); };

  auto* paramButtons = new QHBoxLayout;
  paramButtons->addWidget(addParam);
  paramButtons->addWidget(removeParam);
  auto* sqlButtons = new QHBoxLayout;
  sqlButtons->addWidget(run_);
  sqlButtons->addWidget(applySql_);

  auto* top = new QWidget(this);
  auto* topLayout = new QVBoxLayout(top);
  topLayout->setContentsMargins(0, 0, 0, 0);
  topLayout->addWidget(tree_, 1);
  topLayout->addWidget(dataName_);
  topLayout->addLayout(dataButtons);
  topLayout->addWidget(paramForm_);
  topLayout->addLayout(paramButtons);
  auto* bottom = new QWidget(this);
  auto* bottomLayout = new QVBoxLayout(bottom);
  bottomLayout->setContentsMargins(0, 0, 0, 0);
  bottomLayout->addWidget(sql_, 1);
  bottomLayout->addLayout(sqlButtons);
  bottomLayout->addWidget(message_);
  bottomLayout->addWidget(results_, 1);
  auto* split = new QSplitter(Qt::Vertical, this);
  split->addWidget(top);
  split->addWidget(bottom);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(split);

  connect(&document_, &TDesignDocument::Changed, this, &TDataPanel::Rebuild);
  connect(tree_, &QTreeWidget::itemSelectionChanged, this, &TDataPanel::SelectionChanged);
  connect(run_, &QPushButton::clicked, this, &TDataPanel::Run);
  connect(applySql_, &QPushButton::clicked, this, &TDataPanel::ApplySql);
  connect(addParam, &QPushButton::clicked, this, [this] { AddParameter(); });
  connect(removeParam, &QPushButton::clicked, this, [this] {
    if (TOxrNode* n = NodeOf(tree_->currentItem()); n && n->Name() == "parameter") RemoveParameter(n);
  });
  connect(addQuery, &QPushButton::clicked, this, [this] { AddQuery(sql_->toPlainText()); });
  connect(addTable, &QPushButton::clicked, this, [this] {
    const QString table = AskTableName();
    if (!table.isEmpty()) AddTable(table);
  });
  connect(removeData, &QPushButton::clicked, this, [this] {
    if (TOxrNode* n = NodeOf(tree_->currentItem()); n && IsDataSet(*n)) RemoveDataSet(n);
  });
  connect(dataName_, &QLineEdit::editingFinished, this, [this] {
    if (TOxrNode* n = NodeOf(tree_->currentItem()); n && IsDataSet(*n)) RenameDataSet(n, dataName_->text());
  });
  for (QLineEdit* edit : {paramName_, paramDefault_})
    connect(edit, &QLineEdit::editingFinished, this, &TDataPanel::ApplyParameterForm);
  connect(paramType_, &QComboBox::activated, this, &TDataPanel::ApplyParameterForm);
  Rebuild();
}

QString TDataPanel::Database() const {
  return QString::fromStdString(DefinitionDatabase(document_.Tree().Root(), document_.FileName().toStdString(),
                                                   document_.DefaultDatabase().toStdString()));
}

TOxrNode* TDataPanel::NodeOf(const QTreeWidgetItem* item) const {
  return item ? reinterpret_cast<TOxrNode*>(item->data(0, kNodeRole).value<quintptr>()) : nullptr;
}

const TDataPreview& TDataPanel::Fields(const TOxrNode& dataset) {
  const TOxrNode& report = document_.Tree().Root();
  std::string key = Database().toStdString() + '\x1f' + dataset.Name() + '\x1f' + dataset.AttributeOr("table", "") +
                    '\x1f' + QuerySql(dataset);
  for (const TOxrNode* p : report.Elements("parameter"))
    key += '\x1f' + p->AttributeOr("name", "") + '=' + p->AttributeOr("type", "") + ':' + p->AttributeOr("default", "");
  if (dataset.Name() == "json") return fieldCache_[key] = ReadDataPreview(dataset, report, {}, 0);
  auto it = fieldCache_.find(key);
  if (it == fieldCache_.end()) it = fieldCache_.emplace(key, ReadDataPreview(dataset, report, Database().toStdString(), 0)).first;
  return it->second;
}

// What the tree shows depends on: the database, the parameters and the datasets with their
// children; a change elsewhere (a control moved) leaves the tree as it is.
std::string TDataPanel::DataSignature() const {
  const TOxrNode& report = document_.Tree().Root();
  std::string out = Database().toStdString();
  std::function<void(const TOxrNode&)> add = [&](const TOxrNode& n) {
    out += '\x1e' + n.Name();
    out += '@' + std::to_string(reinterpret_cast<std::uintptr_t>(&n));  // items point at the elements
    for (const auto& [k, v] : n.Attributes()) out += '\x1f' + k + '=' + v;
    for (const auto& c : n.Children()) add(*c);
  };
  for (const TOxrNode* n : report.Elements())
    if (n->Name() == "parameter" || IsDataSet(*n)) add(*n);
  return out;
}

void TDataPanel::Rebuild() {
  std::string signature = DataSignature();
  if (signature == signature_) return;
  signature_ = std::move(signature);
  const TOxrNode* current = NodeOf(tree_->currentItem());
  const QString currentField = tree_->currentItem() ? tree_->currentItem()->data(0, kFieldRole).toString() : QString();
  QSignalBlocker block(tree_);
  tree_->clear();
  TOxrNode& report = document_.Tree().Root();
  auto* params = new QTreeWidgetItem(tree_, {tr("Parameters")});  // owned by the tree
  auto* datasets = new QTreeWidgetItem(tree_, {tr("Datasets")});
  QTreeWidgetItem* select = nullptr;
  auto remember = [&](QTreeWidgetItem* item, const TOxrNode* node, const QString& field = {}) {
    item->setData(0, kNodeRole, QVariant::fromValue(reinterpret_cast<quintptr>(node)));
    if (!field.isEmpty()) {
      item->setData(0, kFieldRole, field);
      item->setFlags(item->flags() | Qt::ItemIsDragEnabled);
    }
    if (node == current && field == currentField) select = item;
  };
  for (TOxrNode* p : report.Elements("parameter")) {
    const QString name = QString::fromStdString(p->AttributeOr("name", "?"));
    const QString type = QString::fromStdString(p->AttributeOr("type", "string"));
    const auto def = p->Attribute("default");
    remember(Item(params, name + " : " + type + (def ? " = " + QString::fromStdString(*def) : QString())), p);
  }
  for (TOxrNode* d : report.Elements()) {
    if (!IsDataSet(*d)) continue;
    const QString name = QString::fromStdString(d->AttributeOr("name", "?"));
    const QString what = d->Name() == "table" ? tr("table %1").arg(QString::fromStdString(d->AttributeOr("table", "")))
                                              : QString::fromStdString(d->Name());
    QTreeWidgetItem* item = Item(datasets, name + " (" + what + ")");
    remember(item, d);
    const TDataPreview& fields = Fields(*d);
    if (!fields.Error.empty()) {
      QTreeWidgetItem* error = Item(item, tr("(cannot read the fields)"), QString::fromStdString(fields.Error));
      error->setForeground(0, QColor(0xc0, 0, 0));
    }
    for (const std::string& f : fields.Fields) {
      const QString field = QString::fromStdString(f);
      remember(Item(item, field, tr("Drag onto a band: a text showing %1.%2").arg(name, field)), d, name + "." + field);
    }
    for (const TOxrNode* c : d->Elements("calc")) {
      const QString field = QString::fromStdString(c->AttributeOr("name", "?"));
      remember(Item(item, field + " = " + QString::fromStdString(c->AttributeOr("expression", "")),
                    tr("Calculated field; drag onto a band: a text showing %1.%2").arg(name, field)),
               d, name + "." + field);
    }
  }
  tree_->expandAll();
  if (select) tree_->setCurrentItem(select);
}

void TDataPanel::SelectionChanged() {
  TOxrNode* node = NodeOf(tree_->currentItem());
  const bool query = node && node->Name() == "query";
  sql_->setPlainText(query ? QString::fromStdString(QuerySql(*node)) : QString());
  sql_->setEnabled(query);
  applySql_->setEnabled(query);
  run_->setEnabled(node && IsDataSet(*node));
  dataName_->setEnabled(node && IsDataSet(*node));
  dataName_->setText(node && IsDataSet(*node) ? QString::fromStdString(node->AttributeOr("name", "")) : QString());
  const bool parameter = node && node->Name() == "parameter";
  paramForm_->setEnabled(parameter);
  paramName_->setText(parameter ? QString::fromStdString(node->AttributeOr("name", "")) : QString());
  paramType_->setCurrentText(parameter ? QString::fromStdString(node->AttributeOr("type", "string")) : "string");
  paramDefault_->setText(parameter ? QString::fromStdString(node->AttributeOr("default", "")) : QString());
  if (node && node->Parent()) document_.Select({node});
}

void TDataPanel::ShowPreview(const TDataPreview& preview) {
  results_->clear();
  results_->setColumnCount(static_cast<int>(preview.Fields.size()));
  results_->setRowCount(static_cast<int>(preview.Rows.size()));
  QStringList headers;
  for (const auto& f : preview.Fields) headers << QString::fromStdString(f);
  results_->setHorizontalHeaderLabels(headers);
  for (std::size_t r = 0; r < preview.Rows.size(); ++r)
    for (std::size_t c = 0; c < preview.Rows[r].size(); ++c)
      results_->setItem(static_cast<int>(r), static_cast<int>(c),
                        new QTableWidgetItem(QString::fromStdString(preview.Rows[r][c])));  // owned by the table
  if (preview.Error.empty()) {
    message_->setStyleSheet("");
    message_->setText(tr("%n row(s) shown", nullptr, static_cast<int>(preview.Rows.size())));
    return;
  }
  message_->setStyleSheet("color: #c00000");
  QString text = QString::fromStdString(preview.Error);
  if (preview.Offset >= 0) {
    const std::string sql = sql_->toPlainText().toStdString();
    text = Place(sql, preview.Offset) + ": " + text;
    // Put the cursor where the database found the fault.
    QTextCursor cursor(sql_->document());
    cursor.setPosition(QString::fromStdString(sql.substr(0, std::min<std::size_t>(preview.Offset, sql.size()))).size());
    sql_->setTextCursor(cursor);
  }
  message_->setText(text);
}

void TDataPanel::Run() {
  TOxrNode* node = NodeOf(tree_->currentItem());
  if (!node || !IsDataSet(*node)) {
    message_->setText(tr("Select a dataset to run"));
    return;
  }
  const std::string sql = node->Name() == "query" ? sql_->toPlainText().toStdString() : std::string();
  ShowPreview(ReadDataPreview(*node, document_.Tree().Root(), Database().toStdString(), kPreviewRows, sql));
}

void TDataPanel::ApplySql() {
  TOxrNode* query = NodeOf(tree_->currentItem());
  if (!query || query->Name() != "query") return;
  const std::string sql = sql_->toPlainText().toStdString();
  if (sql == QuerySql(*query)) return;
  std::vector<TOxrNode*> texts;
  for (const auto& c : query->Children())
    if (c->Kind() == TOxrNode::TKind::Text) texts.push_back(c.get());
  document_.BeginMacro(tr("Edit SQL"));
  document_.RemoveNodes(texts, tr("Edit SQL"));
  if (!sql.empty())
    document_.InsertNode(query, 0, std::make_unique<TOxrNode>(sql, TOxrNode::TKind::Text), tr("Edit SQL"));
  document_.EndMacro();
}

TOxrNode* TDataPanel::AddParameter() {
  TOxrNode& report = document_.Tree().Root();
  // Parameters come first among the report's elements.
  std::size_t at = 0;
  for (std::size_t i = 0; i < report.Children().size(); ++i) {
    const TOxrNode& c = *report.Children()[i];
    if (c.Name() == "parameter") at = i + 1;
  }
  if (at == 0) {
    const auto elements = report.Elements();
    at = elements.empty() ? report.Children().size() : report.IndexOf(elements.front());
  }
  int n = 1;
  auto taken = [&](const std::string& name) {
    for (const TOxrNode* p : report.Elements("parameter"))
      if (p->AttributeOr("name", "") == name) return true;
    return false;
  };
  while (taken("Param" + std::to_string(n))) ++n;
  auto node = std::make_unique<TOxrNode>("parameter");
  node->SetAttribute("name", "Param" + std::to_string(n));
  node->SetAttribute("type", "string");
  node->SetAttribute("default", "");
  TOxrNode* added = document_.InsertNode(&report, at, std::move(node), tr("Add Parameter"));
  SelectNode(added);
  return added;
}

void TDataPanel::SelectNode(const TOxrNode* node) {
  for (QTreeWidgetItem* item : tree_->findItems("*", Qt::MatchWildcard | Qt::MatchRecursive))
    if (NodeOf(item) == node && item->data(0, kFieldRole).toString().isEmpty()) return tree_->setCurrentItem(item);
}

std::string TDataPanel::FreeName(const std::string& stem) const {
  const TOxrNode& report = document_.Tree().Root();
  for (int n = 1;; ++n) {
    const std::string name = stem + std::to_string(n);
    const auto elements = report.Elements();
    if (std::none_of(elements.begin(), elements.end(), [&](const TOxrNode* e) {
          return (IsDataSet(*e) || e->Name() == "parameter") && e->AttributeOr("name", "") == name;
        }))
      return name;
  }
}

TOxrNode* TDataPanel::AddDataSet(std::unique_ptr<TOxrNode> dataset, const QString& what) {
  TOxrNode& report = document_.Tree().Root();
  // Datasets follow the parameters and the other datasets, before the bands.
  std::size_t at = 0;
  for (std::size_t i = 0; i < report.Children().size(); ++i) {
    const TOxrNode& c = *report.Children()[i];
    if (c.Name() == "parameter" || IsDataSet(c)) at = i + 1;
  }
  const std::string name = dataset->AttributeOr("name", "");
  document_.BeginMacro(what);
  TOxrNode* added = document_.InsertNode(&report, at, std::move(dataset), what);
  if (!report.Attribute("dataset")) document_.SetAttributes({{&report, "dataset", name}}, what);
  document_.EndMacro();
  SelectNode(added);
  return added;
}

TOxrNode* TDataPanel::AddQuery(const QString& sql) {
  auto query = std::make_unique<TOxrNode>("query");
  query->SetAttribute("name", FreeName("Query"));
  if (!sql.isEmpty()) query->Append(std::make_unique<TOxrNode>(sql.toStdString(), TOxrNode::TKind::Text));
  return AddDataSet(std::move(query), tr("Add Query"));
}

TOxrNode* TDataPanel::AddTable(const QString& table) {
  auto node = std::make_unique<TOxrNode>("table");
  node->SetAttribute("name", FreeName("Table"));
  node->SetAttribute("table", table.toStdString());
  return AddDataSet(std::move(node), tr("Add Table"));
}

void TDataPanel::RenameDataSet(TOxrNode* dataset, const QString& name) {
  static const QRegularExpression kName("^[A-Za-z_][A-Za-z0-9_]*$");
  const std::string old = dataset->AttributeOr("name", "");
  if (name.toStdString() == old) return;
  if (!kName.match(name).hasMatch()) {
    message_->setText(tr("'%1' is not a dataset name: letters, digits and _, not starting with a digit").arg(name));
    return;
  }
  message_->clear();
  // The report and detail datasets name it too.
  TOxrNode& report = document_.Tree().Root();
  std::vector<TAttributeChange> changes{{dataset, "name", name.toStdString()}};
  if (report.AttributeOr("dataset", "") == old) changes.push_back({&report, "dataset", name.toStdString()});
  for (TOxrNode* d : report.Elements())
    if (IsDataSet(*d) && d->AttributeOr("master", "") == old) changes.push_back({d, "master", name.toStdString()});
  document_.SetAttributes(std::move(changes), tr("Rename Dataset"));
  SelectNode(dataset);
}

void TDataPanel::RemoveDataSet(TOxrNode* dataset) { document_.RemoveNodes({dataset}, tr("Remove Dataset")); }

void TDataPanel::SetParameter(TOxrNode* parameter, const QString& name, const QString& type, const QString& value) {
  static const QRegularExpression kName("^[A-Za-z_][A-Za-z0-9_]*$");
  if (!kName.match(name).hasMatch()) {
    message_->setText(tr("'%1' is not a parameter name: letters, digits and _, not starting with a digit").arg(name));
    return;
  }
  bool ok = true;
  if (type == "integer") value.toLongLong(&ok);
  else if (type == "float") QLocale::c().toDouble(value, &ok);
  else if (type == "boolean") ok = value == "true" || value == "false";
  if (!ok && !value.isEmpty()) {
    message_->setText(tr("'%1' is not a %2").arg(value, type));
    return;
  }
  message_->clear();
  document_.SetAttributes({{parameter, "name", name.toStdString()},
                           {parameter, "type", type.toStdString()},
                           {parameter, "default", value.toStdString()}},
                          tr("Edit Parameter"));
}

void TDataPanel::ApplyParameterForm() {
  TOxrNode* node = NodeOf(tree_->currentItem());
  if (node && node->Name() == "parameter")
    SetParameter(node, paramName_->text(), paramType_->currentText(), paramDefault_->text());
}

void TDataPanel::RemoveParameter(TOxrNode* parameter) { document_.RemoveNodes({parameter}, tr("Remove Parameter")); }

}  // namespace oxqr
