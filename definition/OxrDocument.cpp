// Reading a definition into a tree and writing the tree in its canonical layout.
#include "definition/OxrDocument.h"

#include <QFile>
#include <QXmlStreamReader>
#include <algorithm>

#include "definition/DefinitionError.h"
#include "definition/OxrSchema.h"
#include "platform/Errors.h"
#include "platform/SafeFile.h"

namespace oxqr {

std::optional<std::string> TOxrNode::Attribute(std::string_view name) const {
  for (const auto& [n, v] : attributes_)
    if (n == name) return v;
  return std::nullopt;
}

std::string TOxrNode::AttributeOr(std::string_view name, std::string_view fallback) const {
  auto v = Attribute(name);
  return v ? *v : std::string(fallback);
}

void TOxrNode::SetAttribute(std::string_view name, std::optional<std::string> value) {
  auto it = std::find_if(attributes_.begin(), attributes_.end(), [&](const auto& a) { return a.first == name; });
  if (!value) {
    if (it != attributes_.end()) attributes_.erase(it);
    return;
  }
  if (it != attributes_.end()) {
    it->second = std::move(*value);
    return;
  }
  const int rank = CanonicalAttributeRank(name_, name);
  auto at = std::find_if(attributes_.begin(), attributes_.end(), [&](const auto& a) {
    const int r = CanonicalAttributeRank(name_, a.first);
    return r > rank || (r == rank && a.first > name);
  });
  attributes_.insert(at, {std::string(name), std::move(*value)});
}

std::size_t TOxrNode::IndexOf(const TOxrNode* child) const {
  for (std::size_t i = 0; i < children_.size(); ++i)
    if (children_[i].get() == child) return i;
  return children_.size();
}

TOxrNode* TOxrNode::Insert(std::size_t index, std::unique_ptr<TOxrNode> child) {
  child->parent_ = this;
  index = std::min(index, children_.size());
  children_.insert(children_.begin() + static_cast<std::ptrdiff_t>(index), std::move(child));
  return children_[index].get();
}

std::unique_ptr<TOxrNode> TOxrNode::Take(const TOxrNode* child) {
  const std::size_t i = IndexOf(child);
  if (i == children_.size()) return nullptr;
  std::unique_ptr<TOxrNode> out = std::move(children_[i]);
  children_.erase(children_.begin() + static_cast<std::ptrdiff_t>(i));
  out->parent_ = nullptr;
  return out;
}

std::vector<TOxrNode*> TOxrNode::Elements(std::string_view name) const {
  std::vector<TOxrNode*> out;
  for (const auto& c : children_)
    if (c->IsElement() && (name.empty() || c->name_ == name)) out.push_back(c.get());
  return out;
}

std::unique_ptr<TOxrNode> TOxrNode::Clone() const {
  auto copy = std::make_unique<TOxrNode>(name_, kind_);
  copy->attributes_ = attributes_;
  copy->line_ = line_;
  for (const auto& c : children_) copy->Append(c->Clone());
  return copy;
}

TOxrDocument::TOxrDocument() : root_(std::make_unique<TOxrNode>("report")) {}

namespace {

std::string U8(QStringView s) { return s.toUtf8().toStdString(); }

// The loader's limit on a definition's size; the nesting limit keeps the recursive walks of
// the tree (writing, copying, freeing) far from the stack's end: a valid definition nests
// four levels deep.
constexpr qsizetype kMaxTextBytes = 16 * 1024 * 1024;
constexpr std::size_t kMaxDepth = 64;

bool IsBlank(std::string_view s) { return s.find_first_not_of(" \t\r\n") == std::string_view::npos; }

// Builds the tree from the reader's tokens. Characters are gathered per element and placed
// when the next markup comes: blanks next to a child element are the file's layout, not text.
class TTreeReader {
 public:
  TTreeReader(const std::string& text, const std::string& fileName)
      : fileName_(fileName), xml_(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))) {
    xml_.setNamespaceProcessing(false);
  }

  TOxrDocument Read() {
    while (!xml_.atEnd()) {
      switch (xml_.readNext()) {
        case QXmlStreamReader::DTD: Fail("a document type declaration is not allowed"); break;
        case QXmlStreamReader::EntityReference: Fail("entity references are not allowed"); break;
        case QXmlStreamReader::StartElement: Start(); break;
        case QXmlStreamReader::EndElement: End(); break;
        case QXmlStreamReader::Comment: Comment(); break;
        case QXmlStreamReader::Characters:
          if (!open_.empty()) pending_ += U8(xml_.text());
          break;
        default: break;
      }
    }
    if (xml_.hasError() && !(xml_.error() == QXmlStreamReader::PrematureEndOfDocumentError && !rootSeen_))
      Fail(xml_.errorString().toStdString());
    if (!rootSeen_) Fail(1, 1, "the file holds no <report> element");
    return std::move(doc_);
  }

 private:
  [[noreturn]] void Fail(int line, int column, const std::string& message) const {
    throw EDefinitionError(fileName_, line, column, message);
  }
  // Qt counts lines from 1 and columns from 0.
  [[noreturn]] void Fail(const std::string& message) const {
    Fail(std::max(1, static_cast<int>(xml_.lineNumber())), static_cast<int>(xml_.columnNumber()) + 1, message);
  }

  void Start() {
    PlaceText();
    auto node = std::make_unique<TOxrNode>(U8(xml_.name()));
    node->SetSourceLine(static_cast<int>(xml_.lineNumber()));
    for (const auto& a : xml_.attributes()) node->SetAttribute(U8(a.qualifiedName()), U8(a.value()));
    if (!open_.empty()) {
      if (open_.size() >= kMaxDepth) Fail("elements nested more than " + std::to_string(kMaxDepth) + " levels deep");
      open_.push_back(open_.back()->Append(std::move(node)));
      return;
    }
    if (rootSeen_) Fail("only one <report> element is allowed");
    rootSeen_ = true;
    if (node->Name() != "report") Fail("the root element is <" + node->Name() + ">, expected <report>");
    doc_.Root() = std::move(*node);
    open_.push_back(&doc_.Root());
  }

  void End() {
    PlaceText();
    DropLayout(*open_.back());
    open_.pop_back();
  }

  void Comment() {
    std::string text = U8(xml_.text());
    if (open_.empty()) {
      (rootSeen_ ? doc_.Epilogue() : doc_.Prologue()).push_back(std::move(text));
      return;
    }
    PlaceText();
    open_.back()->Append(std::make_unique<TOxrNode>(std::move(text), TOxrNode::TKind::Comment));
  }

  // The characters gathered since the last markup become a text node of the open element.
  void PlaceText() {
    if (open_.empty() || pending_.empty()) return;
    open_.back()->Append(TextNode(std::move(pending_)));
    pending_.clear();
  }

  // Takes the file's layout out of a closed element. In an element with child elements, blank
  // text is layout and so are the blanks of a text next to a child element (the SQL before a
  // query's calculated fields); an element of text and comments only keeps its text as it is,
  // unless all of it is blank around comments.
  static void DropLayout(TOxrNode& element) {
    const auto& children = element.Children();
    const bool hasElements = !element.Elements().empty();
    const bool hasComments = std::any_of(children.begin(), children.end(),
                                         [](const auto& c) { return c->Kind() == TOxrNode::TKind::Comment; });
    const bool allBlank = std::all_of(children.begin(), children.end(), [](const auto& c) {
      return c->Kind() != TOxrNode::TKind::Text || IsBlank(c->Name());
    });
    if (!hasElements && !(allBlank && hasComments)) return;
    std::vector<const TOxrNode*> blank;
    for (std::size_t i = 0; i < children.size(); ++i) {
      TOxrNode& c = *children[i];
      if (c.Kind() != TOxrNode::TKind::Text) continue;
      if (IsBlank(c.Name())) {
        blank.push_back(&c);
        continue;
      }
      std::string text = c.Name();
      if (i > 0 && children[i - 1]->IsElement()) text.erase(0, text.find_first_not_of(" \t\r\n"));
      if (i + 1 == children.size() || children[i + 1]->IsElement()) text.erase(text.find_last_not_of(" \t\r\n") + 1);
      c.SetName(std::move(text));
    }
    for (const TOxrNode* b : blank) element.Take(b);
  }

  static std::unique_ptr<TOxrNode> TextNode(std::string text) {
    return std::make_unique<TOxrNode>(std::move(text), TOxrNode::TKind::Text);
  }

  std::string fileName_;
  QXmlStreamReader xml_;
  TOxrDocument doc_;
  std::vector<TOxrNode*> open_;
  std::string pending_;
  bool rootSeen_ = false;
};

}  // namespace

TOxrDocument ReadOxrDocument(const std::string& text, const std::string& fileName) {
  if (text.size() > static_cast<std::size_t>(kMaxTextBytes))
    throw EDefinitionError(fileName, 1, 1, "the definition is larger than 16 MiB");
  return TTreeReader(text, fileName).Read();
}

TOxrDocument ReadOxrDocumentFile(const std::string& fileName) {
  QFile f(QString::fromStdString(fileName));
  if (!f.open(QIODevice::ReadOnly)) throw EFileError(fileName, "read", 0, f.errorString().toStdString());
  if (f.size() > kMaxTextBytes) throw EDefinitionError(fileName, 1, 1, "the definition is larger than 16 MiB");
  return ReadOxrDocument(f.readAll().toStdString(), fileName);
}

namespace {

// Characters XML 1.0 cannot hold in any form (control characters other than tab, line feed
// and carriage return) are left out: a file holding one would not be read by any reader.
std::string Escaped(std::string_view s, bool attribute) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += attribute ? "&quot;" : "\""; break;
      case '\n': out += attribute ? "&#10;" : "\n"; break;
      case '\r': out += "&#13;"; break;
      case '\t': out += attribute ? "&#9;" : "\t"; break;
      default:
        if (static_cast<unsigned char>(c) >= 0x20) out += c;
    }
  }
  return out;
}

// Comments keep their text; "--" cannot stand in one, so it is split.
std::string CommentText(std::string_view s) {
  std::string out(s);
  for (std::size_t i = out.find("--"); i != std::string::npos; i = out.find("--", i + 2)) out.insert(i + 1, " ");
  if (!out.empty() && out.back() == '-') out += ' ';
  return "<!--" + out + "-->";
}

bool HoldsText(const TOxrNode& n) {
  return std::any_of(n.Children().begin(), n.Children().end(),
                     [](const auto& c) { return c->Kind() == TOxrNode::TKind::Text; });
}

// Writes elements one per line. An element holding text is written as it stands, with its
// text and comments inline and only its child elements on lines of their own, so that the
// text reads back unchanged.
class TCanonicalWriter {
 public:
  std::string Text(TOxrDocument& doc) {
    out_ = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    line_ = 2;
    for (const auto& c : doc.Prologue()) Put(CommentText(c) + "\n");
    Node(doc.Root(), 0);
    Put("\n");
    for (const auto& c : doc.Epilogue()) Put(CommentText(c) + "\n");
    return std::move(out_);
  }

 private:
  void Indent(int depth) { out_.append(static_cast<std::size_t>(depth) * 2, ' '); }
  void Put(const std::string& s) {
    out_ += s;
    line_ += static_cast<int>(std::count(s.begin(), s.end(), '\n'));
  }
  void NewLine(int depth) {
    Put("\n");
    Indent(depth);
  }
  // The node from the current position, without a line break after it.
  void Node(TOxrNode& n, int depth) {
    if (n.Kind() == TOxrNode::TKind::Comment) return Put(CommentText(n.Name()));
    if (n.Kind() == TOxrNode::TKind::Text) return Put(Escaped(n.Name(), false));
    n.SetSourceLine(line_);
    std::vector<std::pair<std::string, std::string>> attributes = n.Attributes();
    std::stable_sort(attributes.begin(), attributes.end(), [&](const auto& a, const auto& b) {
      const int ra = CanonicalAttributeRank(n.Name(), a.first), rb = CanonicalAttributeRank(n.Name(), b.first);
      return ra != rb ? ra < rb : a.first < b.first;
    });
    std::string tag = "<" + n.Name();
    for (const auto& [k, v] : attributes) tag += " " + k + "=\"" + Escaped(v, true) + "\"";
    if (n.Children().empty()) return Put(tag + "/>");
    Put(tag + ">");
    const bool inline_ = HoldsText(n);
    for (const auto& c : n.Children()) {
      if (!inline_ || c->IsElement()) NewLine(depth + 1);
      Node(*c, depth + 1);
    }
    if (!inline_ || n.Children().back()->IsElement()) NewLine(depth);
    Put("</" + n.Name() + ">");
  }

  std::string out_;
  int line_ = 1;
};

}  // namespace

std::string OxrDocumentText(TOxrDocument& document) { return TCanonicalWriter().Text(document); }

void SaveReportDefinition(TOxrDocument& document, const std::string& fileName) {
  WriteFileSafely(fileName, OxrDocumentText(document));
}

TOxrNode* ElementOnLine(TOxrNode& root, int line) {
  if (root.IsElement() && root.SourceLine() == line) return &root;
  for (const auto& c : root.Children())
    if (TOxrNode* hit = ElementOnLine(*c, line)) return hit;
  return nullptr;
}

int CanonicalAttributeRank(std::string_view element, std::string_view attribute) {
  const std::vector<std::string>& order = SchemaAttributes(element);
  for (std::size_t i = 0; i < order.size(); ++i)
    if (order[i] == attribute) return static_cast<int>(i);
  return 1000;
}

}  // namespace oxqr
