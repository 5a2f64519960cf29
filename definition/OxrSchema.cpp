// The built-in schema read once: typed attributes per element and the canonical attribute order.
#include "definition/OxrSchema.h"

#include <QRegularExpression>
#include <QXmlStreamReader>
#include <algorithm>
#include <functional>

#include "platform/Errors.h"

namespace oxqr {

namespace {

// A simple type as the schema states it.
struct TTypeInfo {
  std::string Base;
  std::vector<std::string> Values;
  std::string Pattern;
  std::optional<long long> Minimum, Maximum;
};

// An attribute declaration or a reference to an attribute group, in document order.
struct TItem {
  std::string GroupRef;  // set for <xs:attributeGroup ref>
  TSchemaAttribute Attribute;
  std::optional<TTypeInfo> InlineType;
};

// An element with its own attributes or a named complex type.
struct TElementDecl {
  std::string Key;  // "name" or "parent/name"
  std::string TypeRef;
  std::vector<TItem> Items;
};

class TSchemaReader {
 public:
  explicit TSchemaReader(const QByteArray& xsd) : xml_(xsd) {}

  void Read() {
    // One root element; reading past its end would report the document as cut short.
    if (!xml_.readNextStartElement() || xml_.name() != u"schema") {
      if (xml_.hasError()) Fail(xml_.errorString().toStdString());
      Fail("the schema's root is not xs:schema");
    }
    while (xml_.readNextStartElement()) ReadTopLevel();
    if (xml_.hasError()) Fail(xml_.errorString().toStdString());
  }

  std::map<std::string, TTypeInfo> Types;
  std::map<std::string, std::vector<TItem>> Groups;
  std::map<std::string, std::vector<TItem>> ComplexTypes;
  std::vector<TElementDecl> Elements;

  [[noreturn]] void Fail(const std::string& message) const {
    throw EOxQRError("oxr.xsd:" + std::to_string(xml_.lineNumber()) + ":" + std::to_string(xml_.columnNumber()) + ": " +
                     message);
  }

 private:
  std::string Attr(const char* name) const {
    return xml_.attributes().value(QLatin1String(name)).toString().toStdString();
  }

  void ReadTopLevel() {
    const auto name = xml_.name();
    if (name == u"simpleType") {
      const std::string typeName = Attr("name");
      Types[typeName] = ReadSimpleType();
    } else if (name == u"attributeGroup") {
      const std::string groupName = Attr("name");
      Groups[groupName] = ReadItems();
    } else if (name == u"complexType") {
      const std::string typeName = Attr("name");
      ComplexTypes[typeName] = ReadComplexType({});
    } else if (name == u"element") {
      ReadElement({});
    } else {
      xml_.skipCurrentElement();
    }
  }

  // <xs:simpleType><xs:restriction base>...</xs:restriction></xs:simpleType>
  TTypeInfo ReadSimpleType() {
    TTypeInfo type;
    while (xml_.readNextStartElement()) {
      if (xml_.name() != u"restriction") {
        xml_.skipCurrentElement();
        continue;
      }
      type.Base = Attr("base");
      while (xml_.readNextStartElement()) {
        const auto facet = xml_.name();
        const std::string value = Attr("value");
        if (facet == u"enumeration")
          type.Values.push_back(value);
        else if (facet == u"pattern")
          type.Pattern = value;
        else if (facet == u"minInclusive")
          type.Minimum = std::stoll(value);
        else if (facet == u"maxInclusive")
          type.Maximum = std::stoll(value);
        xml_.skipCurrentElement();
      }
    }
    return type;
  }

  TItem ReadAttribute() {
    TItem item;
    TSchemaAttribute& a = item.Attribute;
    a.Name = Attr("name");
    a.TypeName = Attr("type");
    a.Required = Attr("use") == "required";
    if (xml_.attributes().hasAttribute(QLatin1String("default"))) a.Default = Attr("default");
    while (xml_.readNextStartElement()) {
      if (xml_.name() == u"simpleType") {
        item.InlineType = ReadSimpleType();
      } else if (xml_.name() == u"annotation") {
        a.Documentation = ReadDocumentation();
      } else {
        xml_.skipCurrentElement();
      }
    }
    return item;
  }

  std::string ReadDocumentation() {
    std::string text;
    while (xml_.readNextStartElement()) {
      if (xml_.name() == u"documentation")
        text += xml_.readElementText(QXmlStreamReader::IncludeChildElements).simplified().toStdString();
      else
        xml_.skipCurrentElement();
    }
    return text;
  }

  // The attributes and group references of an attribute group or complex type; elements
  // declared inside (local elements) are registered under `owner`.
  std::vector<TItem> ReadItems(const std::string& owner = {}) {
    std::vector<TItem> items;
    while (xml_.readNextStartElement()) {
      const auto name = xml_.name();
      if (name == u"attribute") {
        items.push_back(ReadAttribute());
      } else if (name == u"attributeGroup") {
        TItem ref;
        ref.GroupRef = Attr("ref");
        items.push_back(std::move(ref));
        xml_.skipCurrentElement();
      } else if (name == u"sequence" || name == u"choice" || name == u"all") {
        auto inner = ReadItems(owner);
        items.insert(items.end(), inner.begin(), inner.end());
      } else if (name == u"element" && !owner.empty() && xml_.attributes().hasAttribute(QLatin1String("name"))) {
        ReadElement(owner);
      } else {
        xml_.skipCurrentElement();
      }
    }
    return items;
  }

  std::vector<TItem> ReadComplexType(const std::string& owner) { return ReadItems(owner); }

  void ReadElement(const std::string& parent) {
    TElementDecl decl;
    const std::string name = Attr("name");
    decl.Key = parent.empty() ? name : parent + "/" + name;
    decl.TypeRef = Attr("type");
    while (xml_.readNextStartElement()) {
      if (xml_.name() == u"complexType") {
        decl.Items = ReadComplexType(name);
      } else {
        xml_.skipCurrentElement();
      }
    }
    Elements.push_back(std::move(decl));
  }

  QXmlStreamReader xml_;
};

bool EndsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

// The editing kind of an attribute from its type (named or inline) and, for font families,
// its name.
void Classify(TSchemaAttribute& a, const TTypeInfo* type) {
  const std::string& t = a.TypeName;
  if (t == "mm")
    a.Kind = TAttributeKind::Length;
  else if (t == "bool" || t == "xs:boolean")
    a.Kind = TAttributeKind::Boolean;
  else if (t == "color")
    a.Kind = TAttributeKind::Color;
  else if (t == "fontStyle")
    a.Kind = TAttributeKind::FontStyle;
  else if (t == "fieldRef")
    a.Kind = TAttributeKind::FieldRef;
  else if (type != nullptr && !type->Values.empty())
    a.Kind = TAttributeKind::Enumeration;
  else if (t == "xs:string" && (a.Name == "font" || EndsWith(a.Name, "Font")))
    a.Kind = TAttributeKind::FontFamily;
  if (type != nullptr && a.Kind == TAttributeKind::Enumeration) a.Values = type->Values;
  const std::string base = type != nullptr ? type->Base : t;
  if (a.Kind == TAttributeKind::Text &&
      (base == "xs:integer" || base == "xs:int" || base == "xs:positiveInteger" || base == "xs:nonNegativeInteger")) {
    a.Kind = TAttributeKind::Integer;
    if (base == "xs:positiveInteger") a.Minimum = 1;
    if (base == "xs:nonNegativeInteger") a.Minimum = 0;
  }
  if (type != nullptr) {
    if (type->Minimum) a.Minimum = type->Minimum;
    if (type->Maximum) a.Maximum = type->Maximum;
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

}  // namespace

std::optional<std::string> ValueFault(const TSchemaAttribute& a, const std::string& value,
                                      const std::vector<std::string>& colorNames) {
  const QString v = QString::fromStdString(value);
  const std::string quoted = "'" + value + "'";
  auto join = [](const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names) out += (out.empty() ? "" : ", ") + n;
    return out;
  };
  switch (a.Kind) {
    case TAttributeKind::Length: {
      static const QRegularExpression mm("^(-?[0-9]+(\\.[0-9]*)?|-?\\.[0-9]+)$");
      if (!mm.match(v).hasMatch()) return quoted + " is not a length in millimetres (such as 12.7)";
      return std::nullopt;
    }
    case TAttributeKind::Integer: {
      bool ok = false;
      const long long n = v.toLongLong(&ok);
      if (!ok) return quoted + " is not a whole number";
      if ((a.Minimum && n < *a.Minimum) || (a.Maximum && n > *a.Maximum))
        return quoted + " is out of range (" + (a.Minimum ? std::to_string(*a.Minimum) : std::string()) + ".." +
               (a.Maximum ? std::to_string(*a.Maximum) : std::string()) + ")";
      return std::nullopt;
    }
    case TAttributeKind::Boolean:
      if (value != "true" && value != "false") return quoted + " is not true or false";
      return std::nullopt;
    case TAttributeKind::Enumeration:
      if (std::find(a.Values.begin(), a.Values.end(), value) == a.Values.end())
        return quoted + " is not one of: " + join(a.Values);
      return std::nullopt;
    case TAttributeKind::Color: {
      static const QRegularExpression hex("^#[0-9A-Fa-f]{6}$");
      if (!hex.match(v).hasMatch() && std::find(colorNames.begin(), colorNames.end(), value) == colorNames.end())
        return quoted + " is not a colour (#RRGGBB or one of: " + join(colorNames) + ")";
      return std::nullopt;
    }
    case TAttributeKind::FontStyle:
      for (const QString& word : v.split(' ', Qt::SkipEmptyParts))
        if (word != "bold" && word != "italic" && word != "underline" && word != "strikeout")
          return "'" + word.toStdString() + "' is not a font style (bold, italic, underline, strikeout)";
      return std::nullopt;
    case TAttributeKind::FieldRef:
    case TAttributeKind::Text:
    case TAttributeKind::FontFamily:
      break;
  }
  return std::nullopt;
}

TDefinitionSchema::TDefinitionSchema(const QByteArray& xsd) {
  TSchemaReader reader(xsd);
  reader.Read();

  // Attribute groups and complex types flattened into attribute lists, groups inside groups
  // included where they are referenced.
  std::function<void(const std::vector<TItem>&, std::vector<TSchemaAttribute>&, int)> flatten =
      [&](const std::vector<TItem>& items, std::vector<TSchemaAttribute>& out, int depth) {
        if (depth > 16) reader.Fail("attribute groups refer to each other in a circle");
        for (const TItem& item : items) {
          if (!item.GroupRef.empty()) {
            const auto group = reader.Groups.find(item.GroupRef);
            if (group == reader.Groups.end()) reader.Fail("no attribute group '" + item.GroupRef + "'");
            flatten(group->second, out, depth + 1);
            continue;
          }
          TSchemaAttribute a = item.Attribute;
          const TTypeInfo* type = nullptr;
          if (item.InlineType)
            type = &*item.InlineType;
          else if (const auto named = reader.Types.find(a.TypeName); named != reader.Types.end())
            type = &named->second;
          Classify(a, type);
          out.push_back(std::move(a));
        }
      };
  for (const TElementDecl& e : reader.Elements) {
    std::vector<TSchemaAttribute> attributes;
    if (!e.TypeRef.empty() && !e.TypeRef.starts_with("xs:")) {
      const auto type = reader.ComplexTypes.find(e.TypeRef);
      if (type == reader.ComplexTypes.end()) reader.Fail("no complex type '" + e.TypeRef + "'");
      flatten(type->second, attributes, 0);
    }
    // The element's own attributes (a label's text, a text's field) before those of the
    // groups it shares with others (place, frame, font), so that they come first in the
    // inspector.
    const std::size_t typeCount = attributes.size();
    std::vector<TItem> own, shared;
    for (const TItem& item : e.Items) (item.GroupRef.empty() ? own : shared).push_back(item);
    flatten(own, attributes, 0);
    flatten(shared, attributes, 0);

    // The canonical order: the complex type's attributes, then the element's in the order
    // written, groups in place; a name is listed once.
    std::vector<TSchemaAttribute> declared(attributes.begin(),
                                           attributes.begin() + static_cast<std::ptrdiff_t>(typeCount));
    flatten(e.Items, declared, 0);
    std::vector<std::string> names;
    for (const TSchemaAttribute& a : declared)
      if (std::find(names.begin(), names.end(), a.Name) == names.end()) names.push_back(a.Name);
    const std::size_t slash = e.Key.rfind('/');
    Merge(order_[slash == std::string::npos ? e.Key : e.Key.substr(slash + 1)], names);

    elements_[e.Key] = std::move(attributes);
  }

  // Colour names: the words of the colour type's pattern.
  if (const auto color = reader.Types.find("color"); color != reader.Types.end()) {
    static const QRegularExpression word("^[A-Za-z]+$");
    for (const QString& part : QString::fromStdString(color->second.Pattern).split('|'))
      if (word.match(part).hasMatch()) colorNames_.push_back(part.toStdString());
  }
}

const TDefinitionSchema& TDefinitionSchema::Builtin() {
  static const TDefinitionSchema schema = [] {
    const std::string_view text = OxrSchemaText();
    return TDefinitionSchema(QByteArray(text.data(), static_cast<qsizetype>(text.size())));
  }();
  return schema;
}

const std::vector<std::string>& TDefinitionSchema::AttributeOrder(std::string_view element) const {
  static const std::vector<std::string> none;
  const auto it = order_.find(element);
  return it == order_.end() ? none : it->second;
}

const std::vector<std::string>& SchemaAttributes(std::string_view element) {
  return TDefinitionSchema::Builtin().AttributeOrder(element);
}

const std::vector<TSchemaAttribute>* TDefinitionSchema::Attributes(std::string_view element,
                                                                   std::string_view parent) const {
  if (!parent.empty()) {
    const auto local = elements_.find(std::string(parent) + "/" + std::string(element));
    if (local != elements_.end()) return &local->second;
  }
  const auto global = elements_.find(element);
  return global == elements_.end() ? nullptr : &global->second;
}

const TSchemaAttribute* TDefinitionSchema::Attribute(std::string_view element, std::string_view attribute,
                                                     std::string_view parent) const {
  const auto* list = Attributes(element, parent);
  if (list == nullptr) return nullptr;
  for (const auto& a : *list)
    if (a.Name == attribute) return &a;
  return nullptr;
}

}  // namespace oxqr
