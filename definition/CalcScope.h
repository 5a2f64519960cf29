#pragma once
// The names a calculated field may use: its dataset's own fields and the calculated fields
// defined before it, and the report's parameters. Another dataset, a calculated field
// defined later (or itself), totals, page, pages, line and groupline are faults: a
// calculated field is computed from one record, once per record.
#include <string>
#include <vector>

#include "definition/ExpressionState.h"

namespace oxqr {

// Compiles the expression of calculated field `calc` of dataset `dataName` (registered with
// the calculated fields before it); `later` names those defined after it.
expr::TCompiled CompileCalc(TExpressionState& state, const std::string& dataName,
                            const std::string& calc, const std::vector<std::string>& later, std::string_view source);

}  // namespace oxqr
