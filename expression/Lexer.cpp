#include "expression/Lexer.h"

#include <cctype>

namespace oxqr::expr {
namespace {

bool IsNameStart(char c) {
  const auto u = static_cast<unsigned char>(c);
  return std::isalpha(u) || c == '_' || u >= 0x80;
}
bool IsNameChar(char c) { return IsNameStart(c) || std::isdigit(static_cast<unsigned char>(c)); }

}  // namespace

TToken TLexer::Next() {
  while (pos_ < src_.size() && (src_[pos_] == ' ' || src_[pos_] == '\t' || src_[pos_] == '\n' || src_[pos_] == '\r'))
    ++pos_;
  TToken t;
  t.Offset = pos_;
  if (pos_ >= src_.size()) return t;
  const char c = src_[pos_];
  auto single = [&](TTok kind, std::size_t len = 1) {
    t.Kind = kind;
    t.Length = len;
    t.Text = std::string(src_.substr(pos_, len));
    pos_ += len;
    return t;
  };
  const char n = pos_ + 1 < src_.size() ? src_[pos_ + 1] : '\0';
  if (std::isdigit(static_cast<unsigned char>(c)) || (c == '.' && std::isdigit(static_cast<unsigned char>(n)))) {
    std::size_t end = pos_;
    bool dot = false;
    while (end < src_.size() && (std::isdigit(static_cast<unsigned char>(src_[end])) || (src_[end] == '.' && !dot))) {
      dot = dot || src_[end] == '.';
      ++end;
    }
    return single(TTok::Number, end - pos_);
  }
  if (IsNameStart(c)) {
    std::size_t end = pos_;
    while (end < src_.size() && IsNameChar(src_[end])) ++end;
    return single(TTok::Name, end - pos_);
  }
  if (c == '\'') {
    std::string text;
    for (std::size_t i = pos_ + 1; i < src_.size(); ++i) {
      if (src_[i] != '\'') {
        text += src_[i];
      } else if (i + 1 < src_.size() && src_[i + 1] == '\'') {
        text += '\'';
        ++i;
      } else {
        t.Kind = TTok::Text;
        t.Length = i + 1 - pos_;
        t.Text = std::move(text);
        pos_ = i + 1;
        return t;
      }
    }
    t.Kind = TTok::Bad;
    t.Length = 1;
    t.Text = "the text is not closed by '";
    pos_ = src_.size();
    return t;
  }
  switch (c) {
    case '.': return single(TTok::Dot);
    case ',': return single(TTok::Comma);
    case '(': return single(TTok::LParen);
    case ')': return single(TTok::RParen);
    case '+': return single(TTok::Plus);
    case '-': return single(TTok::Minus);
    case '*': return single(TTok::Star);
    case '/': return single(TTok::Slash);
    case '%': return single(TTok::Percent);
    case '=': return single(TTok::Eq, n == '=' ? 2 : 1);
    case '<':
      if (n == '>') return single(TTok::Ne, 2);
      if (n == '=') return single(TTok::Le, 2);
      return single(TTok::Lt);
    case '>': return single(n == '=' ? TTok::Ge : TTok::Gt, n == '=' ? 2 : 1);
    case '!':
      if (n == '=') return single(TTok::Ne, 2);
      break;
    default:
      break;
  }
  t.Kind = TTok::Bad;
  t.Length = 1;
  t.Text = std::string("unexpected character '") + c + "'";
  if (c == '&') t.Text += "; join texts with +";
  else if (c == '"') t.Text += "; texts are written in single quotes";
  ++pos_;
  return t;
}

std::string TokenDescription(const TToken& token) {
  switch (token.Kind) {
    case TTok::End: return "the end of the expression";
    case TTok::Number: return "the number " + token.Text;
    case TTok::Text: return "a text";
    case TTok::Name: return "'" + token.Text + "'";
    default: return "'" + token.Text + "'";
  }
}

}  // namespace oxqr::expr
