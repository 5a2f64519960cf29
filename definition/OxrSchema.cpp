// The attribute order of each element, read once from the built-in schema.
#include "definition/OxrSchema.h"

#include <QString>
#include <QXmlStreamReader>
#include <algorithm>
#include <map>

namespace oxqr {

namespace {

// One declaration's attribute list as written: attribute names and references to attribute
// groups or named complex types, expanded once the whole schema is read.
struct TDeclared {
  enum class TKind { Attribute, Group, Type };
  TKind Kind;
  std::string Name;
};
using TDeclarations = std::map<std::string, std::vector<TDeclared>, std::less<>>;

struct TSchemaLists {
  TDeclarations Groups, Types;
  std::vector<std::pair<std::string, std::vector<TDeclared>>> Elements;  // in schema order
};

std::string Attr(const QXmlStreamReader& xml, const char* name) {
  return xml.attributes().value(QLatin1String(name)).toString().toStdString();
}

TSchemaLists ReadDeclarations(std::string_view schema) {
  TSchemaLists lists;
  QXmlStreamReader xml(QString::fromUtf8(schema.data(), static_cast<qsizetype>(schema.size())));
  // Per open schema element: the declaration it opened (nullptr when it opened none).
  std::vector<std::vector<TDeclared>*> open;
  auto current = [&]() -> std::vector<TDeclared>* {
    for (auto it = open.rbegin(); it != open.rend(); ++it)
      if (*it) return *it;
    return nullptr;
  };
  while (!xml.atEnd()) {
    const auto token = xml.readNext();
    if (token == QXmlStreamReader::EndElement) {
      open.pop_back();
      continue;
    }
    if (token != QXmlStreamReader::StartElement) continue;
    const QStringView tag = xml.name();
    const std::string name = Attr(xml, "name"), ref = Attr(xml, "ref"), type = Attr(xml, "type");
    std::vector<TDeclared>* opened = nullptr;
    if (tag == u"element" && !name.empty()) {
      lists.Elements.push_back({name, {}});
      opened = &lists.Elements.back().second;
      if (!type.empty()) opened->push_back({TDeclared::TKind::Type, type});
    } else if (tag == u"complexType" && !name.empty()) {
      opened = &lists.Types[name];
    } else if (tag == u"attributeGroup" && !name.empty()) {
      opened = &lists.Groups[name];
    } else if (auto* owner = current()) {
      if (tag == u"attribute" && !name.empty()) owner->push_back({TDeclared::TKind::Attribute, name});
      if (tag == u"attributeGroup" && !ref.empty()) owner->push_back({TDeclared::TKind::Group, ref});
    }
    open.push_back(opened);
  }
  return lists;
}

void Expand(const TSchemaLists& lists, const std::vector<TDeclared>& items, std::vector<std::string>& out, int depth) {
  if (depth > 16) return;  // a group that names itself would never end
  for (const auto& item : items) {
    if (item.Kind == TDeclared::TKind::Attribute) {
      if (std::find(out.begin(), out.end(), item.Name) == out.end()) out.push_back(item.Name);
      continue;
    }
    const TDeclarations& from = item.Kind == TDeclared::TKind::Group ? lists.Groups : lists.Types;
    if (auto it = from.find(item.Name); it != from.end()) Expand(lists, it->second, out, depth + 1);
  }
}

// Adds the names of `more` missing from `into`, each after the name it follows in `more`.
void Merge(std::vector<std::string>& into, const std::vector<std::string>& more) {
  std::size_t at = 0;
  for (const auto& name : more) {
    auto it = std::find(into.begin(), into.end(), name);
    if (it != into.end()) {
      at = static_cast<std::size_t>(it - into.begin()) + 1;
    } else {
      into.insert(into.begin() + static_cast<std::ptrdiff_t>(at), name);
      ++at;
    }
  }
}

using TOrder = std::map<std::string, std::vector<std::string>, std::less<>>;

TOrder BuildOrder() {
  const TSchemaLists lists = ReadDeclarations(OxrSchemaText());
  TOrder order;
  for (const auto& [element, items] : lists.Elements) {
    std::vector<std::string> names;
    Expand(lists, items, names, 0);
    Merge(order[element], names);
  }
  return order;
}

}  // namespace

const std::vector<std::string>& SchemaAttributes(std::string_view element) {
  static const TOrder order = BuildOrder();
  static const std::vector<std::string> none;
  auto it = order.find(element);
  return it == order.end() ? none : it->second;
}

}  // namespace oxqr
