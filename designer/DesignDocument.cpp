#include "designer/DesignDocument.h"

#include <QUndoCommand>
#include <algorithm>

namespace oxqr {

namespace {

class TSetAttributesCommand final : public QUndoCommand {
 public:
  TSetAttributesCommand(TDesignDocument& doc, std::vector<TAttributeChange> changes, const QString& what)
      : QUndoCommand(what), doc_(doc), changes_(std::move(changes)) {
    for (const auto& c : changes_) before_.push_back(c.Node->Attribute(c.Name));
  }
  void redo() override {
    for (const auto& c : changes_) c.Node->SetAttribute(c.Name, c.Value);
    doc_.NotifyChanged();
  }
  void undo() override {
    for (std::size_t i = changes_.size(); i-- > 0;) changes_[i].Node->SetAttribute(changes_[i].Name, before_[i]);
    doc_.NotifyChanged();
  }

 private:
  TDesignDocument& doc_;
  std::vector<TAttributeChange> changes_;
  std::vector<std::optional<std::string>> before_;
};

class TInsertCommand final : public QUndoCommand {
 public:
  TInsertCommand(TDesignDocument& doc, TOxrNode* parent, std::size_t index, std::unique_ptr<TOxrNode> node,
                 const QString& what)
      : QUndoCommand(what), doc_(doc), parent_(parent), index_(index), node_(std::move(node)), raw_(node_.get()) {}
  void redo() override {
    parent_->Insert(index_, std::move(node_));
    doc_.NotifyChanged();
  }
  void undo() override {
    node_ = parent_->Take(raw_);
    doc_.NotifyChanged();
  }
  TOxrNode* Node() const { return raw_; }

 private:
  TDesignDocument& doc_;
  TOxrNode* parent_;
  std::size_t index_;
  std::unique_ptr<TOxrNode> node_;
  TOxrNode* raw_;
};

class TRemoveCommand final : public QUndoCommand {
 public:
  TRemoveCommand(TDesignDocument& doc, TOxrNode* node, const QString& what)
      : QUndoCommand(what), doc_(doc), parent_(node->Parent()), raw_(node) {}
  void redo() override {
    index_ = parent_->IndexOf(raw_);
    node_ = parent_->Take(raw_);
    doc_.NotifyChanged();
  }
  void undo() override {
    parent_->Insert(index_, std::move(node_));
    doc_.NotifyChanged();
  }

 private:
  TDesignDocument& doc_;
  TOxrNode* parent_;
  TOxrNode* raw_;
  std::size_t index_ = 0;
  std::unique_ptr<TOxrNode> node_;
};

class TMoveCommand final : public QUndoCommand {
 public:
  TMoveCommand(TDesignDocument& doc, TOxrNode* node, TOxrNode* parent, std::size_t index, const QString& what)
      : QUndoCommand(what), doc_(doc), node_(node), fromParent_(node->Parent()),
        fromIndex_(node->Parent()->IndexOf(node)), toParent_(parent), toIndex_(index) {}
  void redo() override { Place(fromParent_, toParent_, toIndex_); }
  void undo() override { Place(toParent_, fromParent_, fromIndex_); }

 private:
  void Place(TOxrNode* from, TOxrNode* to, std::size_t index) {
    to->Insert(index, from->Take(node_));
    doc_.NotifyChanged();
  }
  TDesignDocument& doc_;
  TOxrNode* node_;
  TOxrNode* fromParent_;
  std::size_t fromIndex_;
  TOxrNode* toParent_;
  std::size_t toIndex_;
};

bool InTree(const TOxrNode* node, const TOxrNode& root) {
  for (const TOxrNode* n = node; n; n = n->Parent())
    if (n == &root) return true;
  return false;
}

}  // namespace

TDesignDocument::TDesignDocument(QObject* parent) : QObject(parent) {
  connect(&undo_, &QUndoStack::cleanChanged, this, [this] { emit FileNameChanged(); });
}

TDesignDocument::~TDesignDocument() { undo_.clear(); }

void TDesignDocument::SetFileName(const QString& name) {
  fileName_ = name;
  emit FileNameChanged();
}

void TDesignDocument::SetDefaultDatabase(const QString& path) {
  if (path == defaultDatabase_) return;
  defaultDatabase_ = path;
  emit Changed();
}

void TDesignDocument::Reset(TOxrDocument tree, const QString& fileName) {
  selection_.clear();
  undo_.clear();
  tree_ = std::move(tree);
  fileName_ = fileName;
  emit SelectionChanged();
  emit Changed();
  emit FileNameChanged();
  emit Replaced();
}

void TDesignDocument::SetAttributes(std::vector<TAttributeChange> changes, const QString& what) {
  changes.erase(std::remove_if(changes.begin(), changes.end(),
                               [](const TAttributeChange& c) { return c.Node->Attribute(c.Name) == c.Value; }),
                changes.end());
  if (changes.empty()) return;
  undo_.push(new TSetAttributesCommand(*this, std::move(changes), what));  // the stack owns it
}

TOxrNode* TDesignDocument::InsertNode(TOxrNode* parent, std::size_t index, std::unique_ptr<TOxrNode> node,
                                      const QString& what) {
  auto command = std::make_unique<TInsertCommand>(*this, parent, index, std::move(node), what);
  TOxrNode* raw = command->Node();
  undo_.push(command.release());  // the stack owns it
  return raw;
}

void TDesignDocument::RemoveNodes(const std::vector<TOxrNode*>& nodes, const QString& what) {
  if (nodes.empty()) return;
  std::vector<TOxrNode*> kept = selection_;
  kept.erase(std::remove_if(kept.begin(), kept.end(),
                            [&](TOxrNode* s) {
                              return std::any_of(nodes.begin(), nodes.end(), [&](TOxrNode* n) { return InTree(s, *n); });
                            }),
             kept.end());
  Select(std::move(kept));
  undo_.beginMacro(what);
  for (TOxrNode* n : nodes)
    if (n->Parent()) undo_.push(new TRemoveCommand(*this, n, what));  // the stack owns it
  undo_.endMacro();
}

void TDesignDocument::MoveNode(TOxrNode* node, TOxrNode* parent, std::size_t index, const QString& what) {
  undo_.push(new TMoveCommand(*this, node, parent, index, what));  // the stack owns it
}

void TDesignDocument::Select(std::vector<TOxrNode*> nodes) {
  if (nodes == selection_) return;
  selection_ = std::move(nodes);
  emit SelectionChanged();
}

std::string TDesignDocument::Text() { return OxrDocumentText(tree_); }

void TDesignDocument::NotifyChanged() {
  // A node taken out by undo is no longer selectable.
  std::vector<TOxrNode*> kept = selection_;
  kept.erase(std::remove_if(kept.begin(), kept.end(), [&](TOxrNode* s) { return !InTree(s, tree_.Root()); }),
             kept.end());
  if (kept != selection_) {
    selection_ = std::move(kept);
    emit SelectionChanged();
  }
  emit Changed();
}

}  // namespace oxqr
