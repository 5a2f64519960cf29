#pragma once
// The definition schema (definition/oxr.xsd) built into the library, and what is read from
// it: the attributes each element allows, with their types, enumerations and defaults (the
// designer's inspector offers exactly these, so an element or attribute added to the schema
// appears without a change in code), and the order canonical files write them in.
#include <QByteArray>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace oxqr {

// The schema's text as shipped.
std::string_view OxrSchemaText();

// The attributes of `element` in the built-in schema's declaration order (see
// TDefinitionSchema::AttributeOrder).
const std::vector<std::string>& SchemaAttributes(std::string_view element);

// How an attribute's value is edited.
enum class TAttributeKind {
  Text,         // free text (xs:string and patterns the inspector does not know)
  Length,       // millimetres (type mm)
  Integer,      // a whole number, with Minimum/Maximum when the schema bounds it
  Boolean,      // true/false
  Enumeration,  // one of Values
  Color,        // a colour name of ColorNames() or #RRGGBB
  FontFamily,   // a font family (a string attribute named font or ...Font)
  FontStyle,    // space-separated bold italic underline strikeout
  FieldRef,     // Dataset.Field
};

struct TSchemaAttribute {
  std::string Name;
  std::string TypeName;  // the schema's type ("mm", "color", "xs:string"); empty for an inline type
  TAttributeKind Kind = TAttributeKind::Text;
  std::vector<std::string> Values;  // Enumeration
  std::optional<long long> Minimum, Maximum;
  std::optional<std::string> Default;
  bool Required = false;
  std::string Documentation;
};

// What is wrong with `value` as `attribute`'s type says (a length that is not a number, a
// name not in the enumeration, a number out of bounds), or nullopt when it fits. Text and
// font families take anything.
std::optional<std::string> ValueFault(const TSchemaAttribute& attribute, const std::string& value,
                                      const std::vector<std::string>& colorNames);

class TDefinitionSchema {
 public:
  // Reads a schema's text; throws EOxQRError with the line and column when it is not
  // well-formed or a reference names no type or group.
  explicit TDefinitionSchema(const QByteArray& xsd);
  // The schema built into the library.
  static const TDefinitionSchema& Builtin();

  // The attributes of `element`: its own in the schema's order, then those of its attribute
  // groups; `parent` picks a local element (a JSON dataset's field) over the global one of
  // the same name. Null when the schema has no such element.
  const std::vector<TSchemaAttribute>* Attributes(std::string_view element, std::string_view parent = {}) const;
  const TSchemaAttribute* Attribute(std::string_view element, std::string_view attribute,
                                    std::string_view parent = {}) const;
  // The colour names the schema's colour type allows (black, ..., infoBk), in its order.
  const std::vector<std::string>& ColorNames() const { return colorNames_; }
  // The attribute names of `element` in declaration order, attribute groups expanded in
  // place (the order of canonical files); an element declared twice (the fields of tables
  // and of JSON datasets) has the union, each list's order kept. Empty for an element the
  // schema does not declare.
  const std::vector<std::string>& AttributeOrder(std::string_view element) const;

 private:
  std::map<std::string, std::vector<TSchemaAttribute>, std::less<>> elements_;  // "name" or "parent/name"
  std::map<std::string, std::vector<std::string>, std::less<>> order_;         // "name"
  std::vector<std::string> colorNames_;
};

}  // namespace oxqr
