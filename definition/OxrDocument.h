#pragma once
// A definition file as a tree of what it holds: elements with their attributes in order,
// comments and text, each with the line it started on. The designer edits this tree, so
// that a file opened and saved keeps everything it held (comments, attributes the designer
// does not know); it is written in one canonical layout: one element per line, attributes
// in a fixed order, so that a moved control is one changed line under version control.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace oxqr {

class TOxrNode {
 public:
  enum class TKind { Element, Comment, Text };

  explicit TOxrNode(std::string name, TKind kind = TKind::Element) : kind_(kind), name_(std::move(name)) {}

  TKind Kind() const { return kind_; }
  bool IsElement() const { return kind_ == TKind::Element; }
  // The element's tag ("band", "label"); the text of a comment or text node.
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

  // Attributes as written (UTF-8), in the order they are held.
  const std::vector<std::pair<std::string, std::string>>& Attributes() const { return attributes_; }
  std::optional<std::string> Attribute(std::string_view name) const;
  std::string AttributeOr(std::string_view name, std::string_view fallback) const;
  // Sets (or adds, at its canonical place) the attribute; an empty optional removes it.
  void SetAttribute(std::string_view name, std::optional<std::string> value);

  TOxrNode* Parent() const { return parent_; }
  const std::vector<std::unique_ptr<TOxrNode>>& Children() const { return children_; }
  std::size_t IndexOf(const TOxrNode* child) const;  // Children().size() when not a child
  // Inserts `child` at `index` (clamped to the end) and returns it.
  TOxrNode* Insert(std::size_t index, std::unique_ptr<TOxrNode> child);
  TOxrNode* Append(std::unique_ptr<TOxrNode> child) { return Insert(children_.size(), std::move(child)); }
  // Takes the child out of the tree (for undo, which puts the same node back).
  std::unique_ptr<TOxrNode> Take(const TOxrNode* child);
  // Child elements, optionally of one tag.
  std::vector<TOxrNode*> Elements(std::string_view name = {}) const;
  // A deep copy without a parent.
  std::unique_ptr<TOxrNode> Clone() const;

  // The line the element started on in the text it was read from (0 when made in memory).
  int SourceLine() const { return line_; }
  void SetSourceLine(int line) { line_ = line; }

 private:
  TKind kind_;
  std::string name_;
  std::vector<std::pair<std::string, std::string>> attributes_;
  std::vector<std::unique_ptr<TOxrNode>> children_;
  TOxrNode* parent_ = nullptr;
  int line_ = 0;
};

// The whole file: its root element (`report`) and the comments before and after it.
class TOxrDocument {
 public:
  TOxrDocument();
  TOxrNode& Root() { return *root_; }
  const TOxrNode& Root() const { return *root_; }
  // Comments before the root element.
  std::vector<std::string>& Prologue() { return prologue_; }
  const std::vector<std::string>& Prologue() const { return prologue_; }
  // Comments after the root element.
  std::vector<std::string>& Epilogue() { return epilogue_; }
  const std::vector<std::string>& Epilogue() const { return epilogue_; }

 private:
  std::vector<std::string> prologue_;
  std::vector<std::string> epilogue_;
  std::unique_ptr<TOxrNode> root_;
};

// Reads a definition's text (UTF-8, as the loader reads it) into a tree. Only well-formedness
// is checked here (the loader checks meaning), with the loader's limits on size and a limit on
// nesting; a fault throws EDefinitionError with `fileName`, line and column. Text inside an
// element is kept as written; blanks between child elements are layout and are dropped.
TOxrDocument ReadOxrDocument(const std::string& text, const std::string& fileName);
TOxrDocument ReadOxrDocumentFile(const std::string& fileName);

// The canonical text of the tree (UTF-8, with its XML declaration): one element per line,
// indented by two spaces per level, attributes in CanonicalAttributeRank order; an element
// holding text keeps it verbatim on its line (a memo's line, a query's SQL). Writing it,
// reading it back and writing again gives the same bytes. Each written element's line is recorded in
// its SourceLine, so that a loader's fault in the written text names its element.
std::string OxrDocumentText(TOxrDocument& document);

// Writes the tree's canonical text to `fileName` through the safe file writer.
void SaveReportDefinition(TOxrDocument& document, const std::string& fileName);

// The element whose start tag is on `line` of the canonical text (nullptr when none).
TOxrNode* ElementOnLine(TOxrNode& root, int line);

// The order attributes of an element are written in (lower first): the order the schema
// declares them in; attributes the schema does not give the element follow in alphabetical
// order.
int CanonicalAttributeRank(std::string_view element, std::string_view attribute);

}  // namespace oxqr
