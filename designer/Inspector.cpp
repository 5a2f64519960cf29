#include "designer/Inspector.h"

#include <QFormLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

#include "designer/AttributeCheck.h"
#include "designer/AttributeEditors.h"
#include "designer/DesignDocument.h"
#include "definition/OxrSchema.h"

namespace oxqr {

namespace {

// Whether `node` is in the tree of `root` (an element removed by an edit is kept, out of
// the tree, by the undo stack).
bool InTree(const TOxrNode* node, const TOxrNode& root) {
  for (; node != nullptr; node = node->Parent())
    if (node == &root) return true;
  return false;
}

std::string ParentName(const TOxrNode* node) {
  return node->Parent() != nullptr ? node->Parent()->Name() : std::string();
}

// The attributes every target allows, in the order the first one's element lists them.
std::vector<TSchemaAttribute> CommonAttributes(const std::vector<TOxrNode*>& targets) {
  const TDefinitionSchema& schema = TDefinitionSchema::Builtin();
  std::vector<TSchemaAttribute> common;
  if (targets.empty()) return common;
  if (const auto* first = schema.Attributes(targets.front()->Name(), ParentName(targets.front()))) common = *first;
  for (const TOxrNode* node : targets) {
    common.erase(std::remove_if(common.begin(), common.end(),
                                [&](const TSchemaAttribute& a) {
                                  return schema.Attribute(node->Name(), a.Name, ParentName(node)) == nullptr;
                                }),
                 common.end());
  }
  return common;
}

QString Title(const std::vector<TOxrNode*>& targets) {
  if (targets.empty()) return QObject::tr("Nothing to edit");
  if (targets.size() == 1) {
    const TOxrNode* n = targets.front();
    const auto name = n->Attribute("name");
    QString kind = QString::fromStdString(n->Name());
    if (n->Name() == "band") kind += " " + QString::fromStdString(n->AttributeOr("type", ""));
    return name ? QString("%1  %2").arg(kind, QString::fromStdString(*name)) : kind;
  }
  QStringList kinds;
  for (const TOxrNode* n : targets)
    if (!kinds.contains(QString::fromStdString(n->Name()))) kinds << QString::fromStdString(n->Name());
  return QObject::tr("%1 elements (%2)").arg(targets.size()).arg(kinds.join(", "));
}

QString AttributeToolTip(const TSchemaAttribute& a) {
  QString tip = QString::fromStdString(a.Name);
  if (!a.TypeName.empty()) tip += " (" + QString::fromStdString(a.TypeName) + ")";
  if (a.Required) tip += QObject::tr(", required");
  if (a.Default) tip += QObject::tr(", default %1").arg(QString::fromStdString(*a.Default));
  if (!a.Documentation.empty()) tip += "\n" + QString::fromStdString(a.Documentation);
  return tip;
}

}  // namespace

TInspector::TInspector(TDesignDocument& document, QWidget* parent)
    : QWidget(parent),
      document_(document),
      checker_(new TAttributeChecker(document, this)),
      title_(new QLabel(this)),
      scroll_(new QScrollArea(this)) {  // children of the inspector
  setObjectName("inspector");
  title_->setObjectName("inspectorTitle");
  QFont bold = title_->font();
  bold.setBold(true);
  title_->setFont(bold);
  scroll_->setWidgetResizable(true);
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // the form follows the dock's width
  auto* layout = new QVBoxLayout(this);                           // owned by the inspector
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(title_);
  layout->addWidget(scroll_, 1);
  connect(&document_, &TDesignDocument::SelectionChanged, this, &TInspector::Rebuild);
  connect(&document_, &TDesignDocument::Changed, this, [this] {
    // The tree may have been replaced (New, Open): the shown elements are gone.
    if (Targets() != shown_)
      Rebuild();
    else
      Refresh();
  });
  Rebuild();
}

TInspector::~TInspector() = default;

std::vector<TOxrNode*> TInspector::Targets() const {
  std::vector<TOxrNode*> targets;
  for (TOxrNode* n : document_.Selection())
    if (n->IsElement()) targets.push_back(n);
  if (targets.empty()) targets.push_back(&document_.Tree().Root());
  return targets;
}

QWidget* TInspector::Editor(const std::string& attribute) const {
  const auto it = editors_.find(attribute);
  return it == editors_.end() ? nullptr : it->second;
}

QLabel* TInspector::FaultLabel(const std::string& attribute) const {
  const auto it = faults_.find(attribute);
  return it == faults_.end() ? nullptr : it->second;
}

void TInspector::Rebuild() {
  shown_ = Targets();
  editors_.clear();
  faults_.clear();
  checked_.clear();
  title_->setText(Title(shown_));
  // The old form may hold the editor whose signal led here: it goes once that returns.
  if (QWidget* old = scroll_->takeWidget()) old->deleteLater();
  auto* form = new QWidget;              // owned by the scroll area below
  auto* layout = new QFormLayout(form);  // owned by the form
  layout->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  const TDefinitionSchema& schema = TDefinitionSchema::Builtin();
  for (const TSchemaAttribute& a : CommonAttributes(shown_)) {
    TAttributeEditor* editor = MakeAttributeEditor(a, schema, form);  // owned by the form
    editor->setObjectName(QString::fromStdString(a.Name));
    editor->setToolTip(AttributeToolTip(a));
    const std::string name = a.Name;
    // The elements the form was built for: a value typed before the selection changed
    // (committed when the field loses the focus) belongs to them, not to the new selection.
    editor->OnEdited([this, name, targets = shown_](const TValueEdit& edit) {
      std::vector<TAttributeChange> changes;
      for (TOxrNode* n : targets)
        if (InTree(n, document_.Tree().Root())) changes.push_back({n, name, edit(n->Attribute(name))});
      if (!changes.empty()) document_.SetAttributes(std::move(changes), tr("Set %1").arg(QString::fromStdString(name)));
    });
    auto* label = new QLabel(QString::fromStdString(a.Name), form);  // owned by the form
    label->setToolTip(AttributeToolTip(a));
    if (a.Required) {
      QFont f = label->font();
      f.setBold(true);
      label->setFont(f);
    }
    label->setBuddy(editor);
    layout->addRow(label, editor);
    editors_[a.Name] = editor;

    // The fault under the field, as wide as the form so that a long message wraps whole:
    // a value typed wrong, or a value from the file its type does not allow.
    auto* fault = new QLabel(form);  // owned by the form
    fault->setObjectName(QString::fromStdString("fault:" + a.Name));
    fault->setStyleSheet("color: #C00000;");
    fault->setWordWrap(true);
    fault->hide();
    layout->addRow(fault);
    faults_[a.Name] = fault;
    const TCheckKind check = CheckKindOf(shown_.front()->Name(), a.Name, a.Kind == TAttributeKind::FieldRef);
    if (check != TCheckKind::None) {
      checked_.insert(a.Name);
      editor->OnTyped([this, check, name, fault](const QString& text) {
        const auto found = text.isEmpty() ? std::nullopt : checker_->Check(check, shown_, name, text.toStdString());
        ShowFault(*fault, found ? FaultText(*found) : QString());
      });
    }
  }
  scroll_->setWidget(form);
  Refresh();
}

void TInspector::Refresh() {
  const TDefinitionSchema& schema = TDefinitionSchema::Builtin();
  for (const auto& [name, editor] : editors_) {
    std::vector<std::optional<std::string>> values;
    for (const TOxrNode* n : shown_) values.push_back(n->Attribute(name));
    const std::optional<std::string>& shared = values.front();
    const bool differing = std::any_of(values.begin(), values.end(), [&](const auto& v) { return v != shared; });
    editor->ShowAll(values);
    if (checked_.count(name) != 0) continue;  // checked as typed
    // A value an editor of its type cannot show (a file written by hand) is named here.
    const TSchemaAttribute* a = schema.Attribute(shown_.front()->Name(), name, ParentName(shown_.front()));
    const auto fault =
        a != nullptr && shared && !differing ? ValueFault(*a, *shared, schema.ColorNames()) : std::nullopt;
    ShowFault(*faults_.at(name), fault ? tr("The file holds %1").arg(QString::fromStdString(*fault)) : QString());
  }
}

void TInspector::ShowFault(QLabel& label, const QString& text) {
  label.setText(text);
  // The form's rows take their heights from size hints: give the wrapped lines theirs.
  const QMargins margins = scroll_->widget()->layout()->contentsMargins();
  const int width = scroll_->viewport()->width() - margins.left() - margins.right();
  label.setMinimumHeight(text.isEmpty() ? 0 : label.heightForWidth(std::max(80, width)));
  label.setVisible(!text.isEmpty());
}

}  // namespace oxqr
