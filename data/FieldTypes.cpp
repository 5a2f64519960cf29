#include "data/FieldTypes.h"

#include <cctype>
#include <optional>
#include <string>
#include <utility>

namespace oxqr {

namespace {

std::optional<TFieldType> Lookup(std::string_view declaredType) {
  std::string base;
  for (char c : declaredType) {
    if (c == '(') break;
    if (!std::isspace(static_cast<unsigned char>(c))) base += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  using enum TFieldType;
  static const std::pair<std::string_view, TFieldType> kTypes[] = {
      {"VARCHAR", ftString},  {"CHAR", ftString},        {"TEXT", ftString},       {"STRING", ftString},
      {"ALPHA", ftString},    {"SMALLINT", ftSmallint},  {"INTEGER", ftInteger},   {"INT", ftInteger},
      {"WORD", ftWord},       {"BOOLEAN", ftBoolean},    {"LOGICAL", ftBoolean},   {"FLOAT", ftFloat},
      {"REAL", ftFloat},      {"DOUBLE", ftFloat},       {"NUMERIC", ftFloat},     {"NUMBER", ftFloat},
      {"CURRENCY", ftCurrency}, {"MONEY", ftCurrency},   {"DATE", ftDate},         {"TIME", ftTime},
      {"DATETIME", ftDateTime}, {"TIMESTAMP", ftDateTime}, {"AUTOINC", ftAutoInc}, {"LARGEINT", ftLargeint},
      {"BIGINT", ftLargeint}, {"MEMO", ftMemo},          {"GRAPHIC", ftGraphic},   {"BLOB", ftBlob},
      {"BINARY", ftBlob},
  };
  for (const auto& [name, type] : kTypes)
    if (base == name) return type;
  return std::nullopt;
}

}  // namespace

TFieldType FieldTypeFromDeclared(std::string_view declaredType) {
  return Lookup(declaredType).value_or(TFieldType::ftString);
}

bool IsKnownDeclaredType(std::string_view declaredType) { return Lookup(declaredType).has_value(); }

bool IsNumericType(TFieldType t) {
  switch (t) {
    case TFieldType::ftSmallint: case TFieldType::ftInteger: case TFieldType::ftWord: case TFieldType::ftFloat:
    case TFieldType::ftCurrency: case TFieldType::ftAutoInc: case TFieldType::ftLargeint:
      return true;
    default:
      return false;
  }
}

bool IsIntegerType(TFieldType t) {
  return IsNumericType(t) && t != TFieldType::ftFloat && t != TFieldType::ftCurrency;
}

bool IsDateType(TFieldType t) {
  return t == TFieldType::ftDate || t == TFieldType::ftTime || t == TFieldType::ftDateTime;
}

}  // namespace oxqr
