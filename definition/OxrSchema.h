#pragma once
// The definition schema (definition/oxr.xsd) built into the library, and what the program
// takes from it: the attributes each element may have, in the order the schema declares them.
#include <string>
#include <string_view>
#include <vector>

namespace oxqr {

// The schema's text as shipped.
std::string_view OxrSchemaText();

// The attributes of `element` in declaration order, attribute groups expanded in place;
// empty for an element the schema does not declare. An element declared twice (the fields of
// tables and of JSON datasets) has the union, each list's order kept.
const std::vector<std::string>& SchemaAttributes(std::string_view element);

}  // namespace oxqr
