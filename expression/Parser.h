#pragma once
// The parser of expressions: a Pratt parser whose binding powers are a table, so that the
// precedence of every operator is read in one place:
//   or < and < not < = <> < <= > >= < + - < * / % < unary -
// Comparisons do not chain (a < b < c is a fault). Nesting deeper than kMaxNesting, more
// than kMaxNodes nodes or a text over kMaxExpressionBytes is a fault, so an untrusted file
// cannot exhaust the stack or the memory.
#include <memory>
#include <string_view>

#include "expression/Ast.h"
#include "expression/Fault.h"

namespace oxqr::expr {

// The tree of `source`, or nullptr with the first syntax fault in `fault`.
std::unique_ptr<TAst> Parse(std::string_view source, TFault& fault);

}  // namespace oxqr::expr
