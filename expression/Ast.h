#pragma once
// The parse tree of one expression, with the position of every node for messages.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "expression/Lexer.h"

namespace oxqr::expr {

enum class TAstKind : std::uint8_t {
  Number,  // Text: the digits
  Text,    // Text: the text
  Name,    // Text: a bare name (true, false, null, page, line, a group or dataset name)
  Member,  // Text: the left name, Member: the right one (Orders.AmountPaid, param.Region)
  Call,    // Text: the function's name, Args
  Unary,   // Op (Minus or Name for not), Args[0]
  Binary,  // Op, Args[0], Args[1]
};

struct TAst {
  TAstKind Kind = TAstKind::Number;
  TTok Op = TTok::End;
  bool IsAnd = false, IsOr = false;  // Binary with Op Name
  std::size_t Offset = 0;
  std::size_t Length = 0;
  std::string Text;
  std::string Member;
  std::size_t MemberOffset = 0;
  int Depth = 1;  // levels of the tree below and with this node
  std::vector<std::unique_ptr<TAst>> Args;
};

}  // namespace oxqr::expr
