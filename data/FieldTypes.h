#pragma once
// Maps the column types declared in a table's CREATE TABLE ("CURRENCY", "MEMO",
// "VARCHAR(30)") to field types.
#include <string_view>

#include "data/DataSet.h"

namespace oxqr {

// Unknown or empty declarations give ftString, so that any column can be displayed.
TFieldType FieldTypeFromDeclared(std::string_view declaredType);
// Whether `declaredType` names a field type rather than falling back to ftString.
bool IsKnownDeclaredType(std::string_view declaredType);

// Kinds of field types: numbers (integers included), integers, dates and times.
bool IsNumericType(TFieldType t);
bool IsIntegerType(TFieldType t);
bool IsDateType(TFieldType t);

}  // namespace oxqr
