#include "expression/Parser.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "platform/Errors.h"

namespace oxqr::expr {
namespace {

bool Is(const TToken& t, std::string_view word) {
  if (t.Kind != TTok::Name || t.Text.size() != word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(t.Text[i])) != word[i]) return false;
  return true;
}

// Binding power of an infix operator (0: not an infix operator).
struct TInfix {
  TTok Kind;
  int Power;
};
constexpr std::array<TInfix, 11> kInfix{{
    {TTok::Eq, 40}, {TTok::Ne, 40}, {TTok::Lt, 40}, {TTok::Le, 40}, {TTok::Gt, 40}, {TTok::Ge, 40},
    {TTok::Plus, 50}, {TTok::Minus, 50}, {TTok::Star, 60}, {TTok::Slash, 60}, {TTok::Percent, 60},
}};
constexpr int kOrPower = 10, kAndPower = 20, kNotPower = 30, kComparePower = 40, kUnaryPower = 70;

struct TParseStop {
  TFault Fault;
};

class TParser {
 public:
  explicit TParser(std::string_view src) : lexer_(src) { Advance(); }

  std::unique_ptr<TAst> Run() {
    auto tree = Expression(0, 0);
    if (cur_.Kind != TTok::End) {
      if (cur_.Kind == TTok::RParen) Fail(cur_, "')' without '('");
      Fail(cur_, "expected an operator or the end, found " + TokenDescription(cur_));
    }
    return tree;
  }

 private:
  [[noreturn]] static void Fail(const TToken& at, std::string message) {
    throw TParseStop{{at.Offset, std::max<std::size_t>(at.Length, 1), std::move(message)}};
  }
  void Advance() {
    cur_ = lexer_.Next();
    if (cur_.Kind == TTok::Bad) Fail(cur_, cur_.Text);
  }
  std::unique_ptr<TAst> Node(TAstKind kind, const TToken& at) {
    if (++nodes_ > kMaxNodes) Fail(at, "the expression is too large (more than " + std::to_string(kMaxNodes) + " parts)");
    auto n = std::make_unique<TAst>();
    n->Kind = kind;
    n->Offset = at.Offset;
    n->Length = at.Length;
    n->Text = at.Text;
    return n;
  }
  // The node's depth from its children's; a tree deeper than kMaxDepth is a fault.
  static void Deepen(TAst& n, const TToken& at) {
    for (const auto& a : n.Args) n.Depth = std::max(n.Depth, a->Depth + 1);
    if (n.Depth > kMaxDepth)
      Fail(at, "the expression is too deep (more than " + std::to_string(kMaxDepth) + " levels of operators and calls)");
  }
  int InfixPower(const TToken& t) const {
    if (Is(t, "or")) return kOrPower;
    if (Is(t, "and")) return kAndPower;
    for (const auto& op : kInfix)
      if (op.Kind == t.Kind) return op.Power;
    return 0;
  }

  std::unique_ptr<TAst> Expression(int minPower, int depth) {
    if (depth > kMaxNesting) Fail(cur_, "the expression nests deeper than " + std::to_string(kMaxNesting) + " levels");
    auto left = Prefix(depth);
    for (;;) {
      const int power = InfixPower(cur_);
      if (power == 0 || power <= minPower) break;
      const TToken op = cur_;
      Advance();
      auto right = Expression(power, depth + 1);
      if (power == kComparePower && InfixPower(cur_) == kComparePower)
        Fail(cur_, "comparisons do not chain; join them with and");
      auto n = Node(TAstKind::Binary, op);
      n->Op = op.Kind;
      n->IsAnd = power == kAndPower;
      n->IsOr = power == kOrPower;
      n->Args.push_back(std::move(left));
      n->Args.push_back(std::move(right));
      Deepen(*n, op);
      left = std::move(n);
    }
    return left;
  }

  std::unique_ptr<TAst> Prefix(int depth) {
    const TToken t = cur_;
    switch (t.Kind) {
      case TTok::Number:
        Advance();
        return Node(TAstKind::Number, t);
      case TTok::Text:
        Advance();
        return Node(TAstKind::Text, t);
      case TTok::Minus: {
        Advance();
        auto n = Node(TAstKind::Unary, t);
        n->Op = TTok::Minus;
        n->Args.push_back(Expression(kUnaryPower, depth + 1));
        Deepen(*n, t);
        return n;
      }
      case TTok::LParen: {
        Advance();
        auto inner = Expression(0, depth + 1);
        if (cur_.Kind != TTok::RParen) Fail(cur_, "expected ')' to close the '(' at " + std::to_string(t.Offset + 1) +
                                                      ", found " + TokenDescription(cur_));
        Advance();
        return inner;
      }
      case TTok::Name:
        break;
      case TTok::End:
        Fail(t, "expected a value, found the end of the expression");
      default:
        Fail(t, "expected a value, found " + TokenDescription(t));
    }
    if (Is(t, "not")) {
      Advance();
      auto n = Node(TAstKind::Unary, t);
      n->Op = TTok::Name;
      n->Args.push_back(Expression(kNotPower, depth + 1));
      Deepen(*n, t);
      return n;
    }
    if (Is(t, "and") || Is(t, "or")) Fail(t, "expected a value before '" + t.Text + "'");
    Advance();
    if (cur_.Kind == TTok::Dot) {
      Advance();
      if (cur_.Kind != TTok::Name) Fail(cur_, "expected a name after '" + t.Text + ".'");
      auto n = Node(TAstKind::Member, t);
      n->Member = cur_.Text;
      n->MemberOffset = cur_.Offset;
      n->Length = cur_.Offset + cur_.Length - t.Offset;
      Advance();
      return n;
    }
    if (cur_.Kind != TTok::LParen) return Node(TAstKind::Name, t);
    auto call = Node(TAstKind::Call, t);
    const TToken open = cur_;
    Advance();
    if (cur_.Kind != TTok::RParen) {
      for (;;) {
        call->Args.push_back(Expression(0, depth + 1));
        if (cur_.Kind == TTok::Comma) {
          Advance();
          continue;
        }
        if (cur_.Kind == TTok::RParen) break;
        Fail(cur_, "expected ',' or ')' in " + t.Text + "(...), found " + TokenDescription(cur_));
      }
    }
    call->Length = cur_.Offset + 1 - t.Offset;
    (void)open;
    Deepen(*call, t);
    Advance();
    return call;
  }

  TLexer lexer_;
  TToken cur_;
  std::size_t nodes_ = 0;
};

}  // namespace

std::unique_ptr<TAst> Parse(std::string_view source, TFault& fault) {
  if (source.size() > kMaxExpressionBytes) {
    fault = {0, 1, "the expression is longer than " + std::to_string(kMaxExpressionBytes / 1024) + " KiB"};
    return nullptr;
  }
  try {
    return TParser(source).Run();
  } catch (const TParseStop& stop) {
    fault = stop.Fault;
    return nullptr;
  }
}

}  // namespace oxqr::expr
