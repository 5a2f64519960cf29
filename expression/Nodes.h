#pragma once
// The nodes of compiled expressions that the checker builds (operators, forms, calls,
// constants and fields). Scopes add leaves of their own (TLeafNode).
#include <memory>
#include <vector>

#include "expression/Compiled.h"
#include "expression/Functions.h"
#include "expression/Lexer.h"

namespace oxqr {
class TDataSet;
class TField;
}

namespace oxqr::expr {

using TNodePtr = std::unique_ptr<TNode>;

TNodePtr MakeConstant(const TValue& value);
// A field of the current record, read as `type` (FieldType gives it).
TNodePtr MakeField(TField& field, TType type);
// The language's type of a field, or Null when a field of its kind cannot be used.
TType FieldType(const TField& field);
TNodePtr MakeNegate(TNodePtr operand);
TNodePtr MakeNot(TNodePtr operand);
TNodePtr MakeAnd(TNodePtr a, TNodePtr b);
TNodePtr MakeOr(TNodePtr a, TNodePtr b);
// + - * / % on the checked types: numbers, a date and a number of days, two dates, or + on
// two texts (joined). `type` is the result type.
TNodePtr MakeArithmetic(TTok op, TType type, TNodePtr a, TNodePtr b);
TNodePtr MakeCompare(TTok op, TNodePtr a, TNodePtr b);
TNodePtr MakeIf(TType type, TNodePtr cond, TNodePtr then, TNodePtr otherwise);
TNodePtr MakeCoalesce(TType type, std::vector<TNodePtr> args);
TNodePtr MakeIsNull(TNodePtr operand);
// min/max of several values of one type; nulls are left out.
TNodePtr MakeLeast(bool greatest, TType type, std::vector<TNodePtr> args);
TNodePtr MakeCall(const TFunction& function, TType type, std::vector<TNodePtr> args);

// Compares two non-null values of comparable types (-1, 0, 1).
int CompareValues(const TValue& a, const TValue& b);

}  // namespace oxqr::expr
