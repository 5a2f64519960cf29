#pragma once
// Worksheet number formats for fields written as native numbers: a field's display format
// rewritten in the worksheet's format syntax, or the default display of its type.
#include <string>
#include <string_view>

#include "data/DataSet.h"

namespace oxqr {

// The worksheet format of a display format: quoted literals become double-quoted, the
// minutes "n" of a time mask become "m"; everything else is the same syntax.
std::string WorksheetFormat(std::string_view displayFormat);

// The format a field of `type` shows its value in: its own display format when it has one,
// else "$#,##0.00" for currency, the short date for dates (with the long time when
// `withTime`), and "General" for other numbers.
std::string FieldWorksheetFormat(TFieldType type, std::string_view displayFormat, bool withTime);

// Whether a field of `type` can be written as a number, and whether it is a date.
bool IsNativeNumberField(TFieldType type);
bool IsNativeDateField(TFieldType type);
bool IsWholeNumberField(TFieldType type);

}  // namespace oxqr
