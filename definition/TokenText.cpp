// The parser of token text: literal runs and tokens, with the offset of every name so
// that later checks can point at it.
#include "TokenText.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

#include "OxQrExport/core/DocumentFunctions.h"
#include "platform/CodePage.h"

namespace oxqr {
namespace {

constexpr std::array<std::pair<std::string_view, TAggregateFunction>, 5> kFunctions{{
    {"sum", TAggregateFunction::Sum},
    {"count", TAggregateFunction::Count},
    {"min", TAggregateFunction::Min},
    {"max", TAggregateFunction::Max},
    {"avg", TAggregateFunction::Avg},
}};

constexpr std::array<std::pair<std::string_view, TTokenKind>, 5> kKeywords{{
    {"page", TTokenKind::Page},
    {"pages", TTokenKind::Pages},
    {"date", TTokenKind::Date},
    {"time", TTokenKind::Time},
    {"title", TTokenKind::Title},
}};

bool IsNameChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return std::isalnum(u) || c == '_' || u >= 0x80;
}

// Reads one token between the braces at [open, close] of `src`.
class TTokenParser {
 public:
  TTokenParser(std::string_view src, std::size_t open, std::size_t close) : src_(src), pos_(open + 1), end_(close) {
    part_.Offset = open;
    part_.Length = close - open + 1;
  }

  TTokenPart Parse() {
    SkipBlanks();
    if (pos_ == end_) Fail(part_.Offset, part_.Length, "empty token");
    const std::size_t at = pos_;
    const std::string first = Name("a name");
    SkipBlanks();
    const char next = Peek();
    if (next == ':' && SameText(first, "param")) {
      ++pos_;
      SkipBlanks();
      part_.Kind = TTokenKind::Param;
      part_.NameOffset = pos_;
      part_.Name = Name("a parameter name after 'param:'");
    } else if (next == '(') {
      ParseAggregate(first, at);
    } else if (next == '.') {
      ++pos_;
      part_.Kind = TTokenKind::Field;
      part_.DataSet = first;
      part_.DataSetOffset = at;
      part_.FieldOffset = pos_;
      part_.Field = Name("a field name after '" + first + ".'");
    } else {
      const auto* keyword =
          std::find_if(kKeywords.begin(), kKeywords.end(), [&](const auto& k) { return SameText(k.first, first); });
      if (keyword == kKeywords.end())
        Fail(at, first.size(),
             "unknown token '" + first +
                 "' (tokens: DataSet.Field, param:Name, page, pages, date, time, title, sum(DataSet.Field), "
                 "count, min, max, avg)");
      part_.Kind = keyword->second;
    }
    SkipBlanks();
    if (pos_ < end_) {
      if (Peek() != ':') Fail(pos_, 1, std::string("unexpected '") + Peek() + "' in token");
      ++pos_;
      part_.FormatOffset = pos_;
      part_.Format = std::string(src_.substr(pos_, end_ - pos_));
      if (part_.Format.empty()) Fail(pos_, 1, "empty format after ':'");
    }
    return part_;
  }

 private:
  void ParseAggregate(const std::string& function, std::size_t at) {
    const auto* f =
        std::find_if(kFunctions.begin(), kFunctions.end(), [&](const auto& k) { return SameText(k.first, function); });
    if (f == kFunctions.end())
      Fail(at, function.size(), "unknown function '" + function + "' (functions: sum, count, min, max, avg)");
    part_.Kind = TTokenKind::Aggregate;
    part_.Function = f->second;
    ++pos_;  // '('
    SkipBlanks();
    part_.DataSetOffset = pos_;
    part_.DataSet = Name("a dataset name in " + function + "(...)");
    SkipBlanks();
    if (Peek() == '.') {
      ++pos_;
      SkipBlanks();
      part_.FieldOffset = pos_;
      part_.Field = Name("a field name after '" + part_.DataSet + ".'");
      SkipBlanks();
    } else if (f->second != TAggregateFunction::Count) {
      Fail(pos_, 1, function + " needs a field: " + function + "(" + part_.DataSet + ".Field)");
    }
    if (Peek() == ',') {
      ++pos_;
      SkipBlanks();
      part_.NameOffset = pos_;
      part_.Name = Name("a group band name after ','");
      SkipBlanks();
    }
    if (Peek() != ')') Fail(pos_, 1, "expected ')' to close " + function + "(");
    ++pos_;
  }

  char Peek() const { return pos_ < end_ ? src_[pos_] : '}'; }
  void SkipBlanks() {
    while (pos_ < end_ && (src_[pos_] == ' ' || src_[pos_] == '\t')) ++pos_;
  }
  std::string Name(const std::string& what) {
    const std::size_t start = pos_;
    while (pos_ < end_ && IsNameChar(src_[pos_])) ++pos_;
    if (pos_ == start) Fail(start, 1, "expected " + what);
    return std::string(src_.substr(start, pos_ - start));
  }
  [[noreturn]] static void Fail(std::size_t offset, std::size_t length, const std::string& message) {
    throw TTokenError(offset, std::max<std::size_t>(length, 1), message);
  }

  std::string_view src_;
  std::size_t pos_;
  std::size_t end_;
  TTokenPart part_;
};

// "{=" after blanks: an expression token.
bool IsExpressionToken(std::string_view src, std::size_t open) {
  std::size_t i = open + 1;
  while (i < src.size() && (src[i] == ' ' || src[i] == '\t')) ++i;
  return i < src.size() && src[i] == '=';
}

// Reads "{= expression[:format]}" at `open` (quoted texts may hold braces and colons);
// returns the offset of its '}'.
std::size_t ParseExpressionToken(std::string_view src, std::size_t open, std::vector<TTokenPart>& parts) {
  TTokenPart part;
  part.Kind = TTokenKind::Expression;
  part.Offset = open;
  std::size_t i = src.find('=', open) + 1;
  part.NameOffset = i;
  std::size_t colon = std::string_view::npos;
  bool quoted = false;
  for (; i < src.size(); ++i) {
    const char c = src[i];
    if (c == '\'') quoted = !quoted;
    else if (!quoted && c == ':' && colon == std::string_view::npos) colon = i;
    else if (!quoted && c == '}') break;
    else if (!quoted && c == '{') throw TTokenError(i, 1, "'{' inside an expression; write texts in quotes");
  }
  if (i >= src.size()) throw TTokenError(open, 2, "'{=' is not closed by '}'");
  const std::size_t end = colon == std::string_view::npos ? i : colon;
  part.Text = std::string(src.substr(part.NameOffset, end - part.NameOffset));
  if (part.Text.find_first_not_of(" \t") == std::string::npos)
    throw TTokenError(part.NameOffset, 1, "expected an expression after '{='");
  if (colon != std::string_view::npos) {
    part.FormatOffset = colon + 1;
    part.Format = std::string(src.substr(colon + 1, i - colon - 1));
    if (part.Format.empty()) throw TTokenError(colon, 1, "empty format after ':'");
  }
  part.Length = i - open + 1;
  parts.push_back(std::move(part));
  return i;
}

}  // namespace

TTokenText::TTokenText(std::string source) : source_(std::move(source)) {
  const std::string_view src = source_;
  TTokenPart literal;
  auto flushLiteral = [&](std::size_t end) {
    if (literal.Text.empty()) return;
    literal.Length = end - literal.Offset;
    parts_.push_back(std::move(literal));
    literal = TTokenPart{};
  };
  std::size_t i = 0;
  while (i < src.size()) {
    const char c = src[i];
    const bool doubled = i + 1 < src.size() && src[i + 1] == c;
    if ((c == '{' || c == '}') && doubled) {
      if (literal.Text.empty()) literal.Offset = i;
      literal.Text += c;
      i += 2;
      continue;
    }
    if (c == '}') throw TTokenError(i, 1, "'}' without '{' (write '}}' for a literal brace)");
    if (c != '{') {
      if (literal.Text.empty()) literal.Offset = i;
      literal.Text += c;
      ++i;
      continue;
    }
    if (IsExpressionToken(src, i)) {
      flushLiteral(i);
      const std::size_t close = ParseExpressionToken(src, i, parts_);
      i = close + 1;
      continue;
    }
    const std::size_t close = src.find_first_of("{}", i + 1);
    if (close == std::string_view::npos || src[close] == '{')
      throw TTokenError(i, 1, "'{' is not closed by '}' (write '{{' for a literal brace)");
    flushLiteral(i);
    parts_.push_back(TTokenParser(src, i, close).Parse());
    i = close + 1;
  }
  flushLiteral(src.size());
}

bool TTokenText::IsPlain() const {
  return std::all_of(parts_.begin(), parts_.end(), [](const TTokenPart& p) { return p.Kind == TTokenKind::Literal; });
}

std::string EscapeTokenText(std::string_view literal) {
  std::string out;
  out.reserve(literal.size());
  for (const char c : literal) {
    out += c;
    if (c == '{' || c == '}') out += c;
  }
  return out;
}

std::string_view AggregateFunctionName(TAggregateFunction f) {
  for (const auto& [name, value] : kFunctions)
    if (value == f) return name;
  return {};
}

std::string UrlQueryText(std::string_view ansi) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char ch : AnsiToUtf8(std::string(ansi))) {
    const auto c = static_cast<unsigned char>(ch);
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
      out += ch;
    } else if (c == ' ') {
      out += '+';
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

}  // namespace oxqr
