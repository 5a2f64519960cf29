// Reading a definition into a tree and writing the tree in its canonical layout.
#include "definition/OxrDocument.h"

#include <QFile>
#include <QXmlStreamReader>
#include <algorithm>
#include <array>

#include "definition/DefinitionError.h"
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

}  // namespace

TOxrDocument ReadOxrDocument(const std::string& text, const std::string& fileName) {
  TOxrDocument doc;
  QXmlStreamReader xml(QByteArray::fromStdString(text));
  std::vector<TOxrNode*> open;
  bool rootSeen = false;
  auto fail = [&](const std::string& message) {
    throw EDefinitionError(fileName, static_cast<int>(xml.lineNumber()), static_cast<int>(xml.columnNumber()) + 1,
                           message);
  };
  while (!xml.atEnd()) {
    switch (xml.readNext()) {
      case QXmlStreamReader::DTD:
        fail("a document type declaration is not allowed");
        break;
      case QXmlStreamReader::StartElement: {
        auto node = std::make_unique<TOxrNode>(U8(xml.name()));
        node->SetSourceLine(static_cast<int>(xml.lineNumber()));
        for (const auto& a : xml.attributes())
          node->SetAttribute(U8(a.qualifiedName()), U8(a.value()));
        if (open.empty()) {
          if (rootSeen) fail("a second root element");
          rootSeen = true;
          if (node->Name() != "report") fail("the root element is <" + node->Name() + ">, not <report>");
          doc.Root() = std::move(*node);
          open.push_back(&doc.Root());
        } else {
          open.push_back(open.back()->Append(std::move(node)));
        }
        break;
      }
      case QXmlStreamReader::EndElement:
        open.pop_back();
        break;
      case QXmlStreamReader::Comment: {
        std::string c = U8(xml.text());
        if (open.empty()) {
          if (!rootSeen) doc.Prologue().push_back(std::move(c));
        } else {
          open.back()->Append(std::make_unique<TOxrNode>(std::move(c), TOxrNode::TKind::Comment));
        }
        break;
      }
      case QXmlStreamReader::Characters:
        if (!xml.isWhitespace() && !open.empty())
          open.back()->Append(std::make_unique<TOxrNode>(U8(xml.text()), TOxrNode::TKind::Text));
        break;
      default:
        break;
    }
  }
  if (xml.hasError()) fail(xml.errorString().toStdString());
  if (!rootSeen) fail("the file holds no <report> element");
  return doc;
}

TOxrDocument ReadOxrDocumentFile(const std::string& fileName) {
  QFile f(QString::fromStdString(fileName));
  if (!f.open(QIODevice::ReadOnly)) throw EFileError(fileName, "read", 0, f.errorString().toStdString());
  return ReadOxrDocument(f.readAll().toStdString(), fileName);
}

namespace {

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
      default: out += c;
    }
  }
  return out;
}

// Comments keep their text; "--" cannot stand in one, so it is split.
std::string CommentText(std::string_view s) {
  std::string out(s);
  for (std::size_t i = out.find("--"); i != std::string::npos; i = out.find("--", i + 2)) out.insert(i + 1, " ");
  if (!out.empty() && out.back() == '-') out += ' ';
  return out;
}

class TCanonicalWriter {
 public:
  std::string Text(TOxrDocument& doc) {
    out_ = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    line_ = 2;
    for (const auto& c : doc.Prologue()) Comment(c, 0);
    Node(doc.Root(), 0);
    return std::move(out_);
  }

 private:
  void Indent(int depth) { out_.append(static_cast<std::size_t>(depth) * 2, ' '); }
  void Put(const std::string& s) {
    out_ += s;
    line_ += static_cast<int>(std::count(s.begin(), s.end(), '\n'));
  }
  void Comment(const std::string& text, int depth) {
    Indent(depth);
    Put("<!--" + CommentText(text) + "-->\n");
  }
  void Node(TOxrNode& n, int depth) {
    if (n.Kind() == TOxrNode::TKind::Comment) return Comment(n.Name(), depth);
    if (n.Kind() == TOxrNode::TKind::Text) {
      Indent(depth);
      return Put(Escaped(n.Name(), false) + "\n");
    }
    n.SetSourceLine(line_);
    std::vector<std::pair<std::string, std::string>> attributes = n.Attributes();
    std::stable_sort(attributes.begin(), attributes.end(), [&](const auto& a, const auto& b) {
      const int ra = CanonicalAttributeRank(n.Name(), a.first), rb = CanonicalAttributeRank(n.Name(), b.first);
      return ra != rb ? ra < rb : a.first < b.first;
    });
    Indent(depth);
    std::string tag = "<" + n.Name();
    for (const auto& [k, v] : attributes) tag += " " + k + "=\"" + Escaped(v, true) + "\"";
    if (n.Children().empty()) return Put(tag + "/>\n");
    Put(tag + ">\n");
    for (const auto& c : n.Children()) Node(*c, depth + 1);
    Indent(depth);
    Put("</" + n.Name() + ">\n");
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

int CanonicalAttributeRank(std::string_view /*element*/, std::string_view attribute) {
  // Identity first, then geometry, then what the element shows, then its look.
  static constexpr std::array<std::string_view, 16> kFirst = {
      "name", "type", "title", "dataset", "table", "sql", "master", "masterFields", "field", "text",
      "expression", "left", "top", "width", "height", "paper"};
  for (std::size_t i = 0; i < kFirst.size(); ++i)
    if (kFirst[i] == attribute) return static_cast<int>(i);
  return 1000;
}

}  // namespace oxqr
