#pragma once
// The lexer of expressions: numbers (12, 0.5), texts in single quotes ('it''s'), names
// (letters, digits, '_'), operators and punctuation. Blanks separate tokens.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace oxqr::expr {

enum class TTok : std::uint8_t {
  End, Number, Text, Name, Dot, Comma, LParen, RParen,
  Plus, Minus, Star, Slash, Percent, Eq, Ne, Lt, Le, Gt, Ge, Bad
};

struct TToken {
  TTok Kind = TTok::End;
  std::size_t Offset = 0;
  std::size_t Length = 0;
  std::string Text;  // Name: as written; Number: the digits; Text: without quotes; Bad: why
};

class TLexer {
 public:
  explicit TLexer(std::string_view src) : src_(src) {}
  TToken Next();
  // The source from `offset` up to the end.
  std::string_view Source() const { return src_; }

 private:
  std::string_view src_;
  std::size_t pos_ = 0;
};

// How a token is named in messages ("')'", "a name", "the end").
std::string TokenDescription(const TToken& token);

}  // namespace oxqr::expr
