#include "expression/Checker.h"

#include <algorithm>
#include <cctype>

#include "expression/CalcField.h"
#include "expression/Parser.h"
#include "expression/Suggest.h"

namespace oxqr::expr {
namespace {

bool Same(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

constexpr std::pair<std::string_view, TTotal> kTotals[] = {
    {"sum", TTotal::Sum}, {"count", TTotal::Count}, {"min", TTotal::Min},
    {"max", TTotal::Max}, {"avg", TTotal::Avg},     {"runningsum", TTotal::RunningSum},
};

// The forms and functions a call may name, for "did you mean".
std::vector<std::string> CallNames() {
  std::vector<std::string> names{"if", "coalesce", "isnull"};
  for (const auto& [n, t] : kTotals) names.emplace_back(n);
  for (const TFunction& f : Functions()) names.emplace_back(f.Name);
  return names;
}

std::string_view Verb(TTok op) {
  switch (op) {
    case TTok::Plus: return "add";
    case TTok::Minus: return "subtract";
    case TTok::Star: return "multiply";
    case TTok::Slash: return "divide";
    default: return "take the remainder of";
  }
}

// The one type two values share (Null fits any; a date widens to a date-time), or nothing.
std::optional<TType> Unify(TType a, TType b) {
  if (a == TType::Null) return b;
  if (b == TType::Null || a == b) return a;
  if (IsDateLike(a) && IsDateLike(b)) return TType::DateTime;
  return std::nullopt;
}

bool Accepts(TArgType want, TType got) {
  if (got == TType::Null) return true;
  switch (want) {
    case TArgType::Number: return got == TType::Number;
    case TArgType::Text: return got == TType::Text;
    case TArgType::Boolean: return got == TType::Boolean;
    case TArgType::DateLike: return IsDateLike(got);
    case TArgType::Formattable: return true;
  }
  return false;
}

std::string_view WantName(TArgType want) {
  switch (want) {
    case TArgType::Number: return "a number";
    case TArgType::Text: return "a text";
    case TArgType::Boolean: return "a boolean";
    case TArgType::DateLike: return "a date";
    case TArgType::Formattable: return "a value";
  }
  return {};
}

std::string Ordinal(std::size_t i) {
  static constexpr std::string_view kWords[] = {"first", "second", "third", "fourth", "fifth"};
  return i < 5 ? std::string(kWords[i]) : std::to_string(i + 1) + "th";
}

struct TStop {};  // too many faults: stop checking

class TChecker {
 public:
  TChecker(TNameScope& scope, TFaults& faults) : scope_(scope), faults_(faults) {}

  // nullptr after a fault (already reported).
  TNodePtr Check(const TAst& n) {
    switch (n.Kind) {
      case TAstKind::Number: {
        const auto d = TDecimal::Parse(n.Text);
        if (!d) return Fault(n, "the number " + n.Text + " is too large");
        TValue v;
        v.SetNumber(*d);
        return MakeConstant(v);
      }
      case TAstKind::Text: {
        TValue v;
        v.SetText(n.Text);
        return MakeConstant(v);
      }
      case TAstKind::Name:
        return Name(n);
      case TAstKind::Member:
        return Member(n);
      case TAstKind::Unary:
        return Unary(n);
      case TAstKind::Binary:
        return Binary(n);
      case TAstKind::Call:
        return Call(n);
    }
    return nullptr;
  }

  TNodePtr Fault(std::size_t offset, std::size_t length, std::string message) {
    faults_.push_back({offset, std::max<std::size_t>(length, 1), std::move(message)});
    if (faults_.size() >= kMaxFaults) throw TStop{};
    return nullptr;
  }
  TNodePtr Fault(const TAst& n, std::string message) { return Fault(n.Offset, n.Length, std::move(message)); }

 private:
  TNodePtr Name(const TAst& n) {
    TValue v;
    if (Same(n.Text, "true") || Same(n.Text, "false")) {
      v.SetBool(Same(n.Text, "true"));
      return MakeConstant(v);
    }
    if (Same(n.Text, "null")) return MakeConstant(v);
    std::string message;
    if (TNodePtr node = scope_.Variable(n.Text, message)) return node;
    return Fault(n, message);
  }

  TNodePtr Member(const TAst& n) {
    std::string message;
    if (Same(n.Text, "param")) {
      if (TNodePtr node = scope_.Parameter(n.Member, message)) return node;
      return Fault(n.MemberOffset, n.Member.size(), message);
    }
    TFieldAnswer a = scope_.Field(n.Text, n.Member);
    if (a.Field == nullptr) {
      if (a.AtDataSet) return Fault(n.Offset, n.Text.size(), a.Message);
      return Fault(n.MemberOffset, n.Member.size(), a.Message);
    }
    // A calculated field whose own expression failed: its fault is reported there; here it
    // is a null that fits anywhere, so that it brings no second fault.
    if (const auto* calc = dynamic_cast<const TCalcField*>(a.Field); calc != nullptr && calc->Expression() == nullptr)
      return MakeConstant(TValue{});
    const TType type = FieldType(*a.Field);
    if (type == TType::Null)
      return Fault(n, n.Text + "." + n.Member + " holds pictures or binary data; an expression cannot read it");
    if (reads_ != nullptr && std::find(reads_->begin(), reads_->end(), a.Data) == reads_->end())
      reads_->push_back(a.Data);
    if (a.Node) return std::move(a.Node);
    return MakeField(*a.Field, type);
  }

  TNodePtr Unary(const TAst& n) {
    TNodePtr a = Check(*n.Args[0]);
    if (!a) return nullptr;
    if (n.Op == TTok::Minus) {
      if (a->Type() != TType::Number && a->Type() != TType::Null)
        return Fault(n, "cannot negate " + std::string(TypeWithArticle(a->Type())));
      return MakeNegate(std::move(a));
    }
    if (a->Type() != TType::Boolean && a->Type() != TType::Null)
      return Fault(n, "'not' needs a boolean, not " + std::string(TypeWithArticle(a->Type())));
    return MakeNot(std::move(a));
  }

  TNodePtr Binary(const TAst& n) {
    TNodePtr a = Check(*n.Args[0]);
    TNodePtr b = Check(*n.Args[1]);
    if (!a || !b) return nullptr;
    const TType x = a->Type(), y = b->Type();
    const std::string both = std::string(TypeWithArticle(x)) + " and " + std::string(TypeWithArticle(y));
    if (n.IsAnd || n.IsOr) {
      if ((x != TType::Boolean && x != TType::Null) || (y != TType::Boolean && y != TType::Null))
        return Fault(n, "'" + n.Text + "' needs two booleans, not " + both);
      return n.IsAnd ? MakeAnd(std::move(a), std::move(b)) : MakeOr(std::move(a), std::move(b));
    }
    switch (n.Op) {
      case TTok::Eq:
      case TTok::Ne:
      case TTok::Lt:
      case TTok::Le:
      case TTok::Gt:
      case TTok::Ge:
        if (!Unify(x, y)) return Fault(n, "cannot compare " + both);
        return MakeCompare(n.Op, std::move(a), std::move(b));
      default:
        break;
    }
    // Arithmetic.
    std::optional<TType> result;
    if ((x == TType::Number || x == TType::Null) && (y == TType::Number || y == TType::Null)) {
      result = TType::Number;
    } else if (n.Op == TTok::Plus && (x == TType::Text || x == TType::Null) && (y == TType::Text || y == TType::Null)) {
      result = TType::Text;
    } else if ((n.Op == TTok::Plus || n.Op == TTok::Minus) && IsDateLike(x) && (y == TType::Number || y == TType::Null)) {
      result = x;
    } else if (n.Op == TTok::Plus && (x == TType::Number || x == TType::Null) && IsDateLike(y)) {
      result = y;
    } else if (n.Op == TTok::Minus && IsDateLike(x) && IsDateLike(y)) {
      result = TType::Number;
    }
    if (!result) {
      std::string message = "cannot " + std::string(Verb(n.Op)) + " " + both;
      if (n.Op == TTok::Plus && (x == TType::Text || y == TType::Text))
        message += " (text(x) turns a value into text to join it)";
      return Fault(n, message);
    }
    return MakeArithmetic(n.Op, *result, std::move(a), std::move(b));
  }

  std::vector<TNodePtr> Arguments(const TAst& n, std::size_t from = 0, std::size_t to = SIZE_MAX) {
    std::vector<TNodePtr> args;
    bool ok = true;
    for (std::size_t i = from; i < std::min(to, n.Args.size()); ++i) {
      args.push_back(Check(*n.Args[i]));
      ok = ok && args.back() != nullptr;
    }
    if (!ok) args.clear();
    return args;
  }

  TNodePtr Call(const TAst& n) {
    const std::string& name = n.Text;
    const std::size_t count = n.Args.size();
    if (Same(name, "if")) {
      if (count != 3) return Fault(n, "if takes 3 arguments (condition, then, else), got " + std::to_string(count));
      auto args = Arguments(n);
      if (args.empty()) return nullptr;
      if (args[0]->Type() != TType::Boolean && args[0]->Type() != TType::Null)
        return Fault(*n.Args[0], "the condition of if must be a boolean, not " +
                                     std::string(TypeWithArticle(args[0]->Type())));
      const auto type = Unify(args[1]->Type(), args[2]->Type());
      if (!type)
        return Fault(n, "the two values of if must have one type; they are " +
                            std::string(TypeWithArticle(args[1]->Type())) + " and " +
                            std::string(TypeWithArticle(args[2]->Type())));
      return MakeIf(*type, std::move(args[0]), std::move(args[1]), std::move(args[2]));
    }
    if (Same(name, "coalesce")) {
      if (count == 0) return Fault(n, "coalesce takes one or more values");
      auto args = Arguments(n);
      if (args.empty()) return nullptr;
      std::optional<TType> type = TType::Null;
      for (std::size_t i = 0; i < args.size() && type; ++i) {
        type = Unify(*type, args[i]->Type());
        if (!type)
          return Fault(*n.Args[i], "the values of coalesce must have one type; the " + Ordinal(i) + " is " +
                                       std::string(TypeWithArticle(args[i]->Type())));
      }
      return MakeCoalesce(*type, std::move(args));
    }
    if (Same(name, "isnull")) {
      if (count != 1) return Fault(n, "isnull takes 1 argument, got " + std::to_string(count));
      auto args = Arguments(n);
      return args.empty() ? nullptr : MakeIsNull(std::move(args[0]));
    }
    for (const auto& [totalName, total] : kTotals)
      if (Same(name, totalName) && IsTotal(n, total)) return Total(n, total);
    if (Same(name, "min") || Same(name, "max")) return Least(n, Same(name, "max"));
    const TFunction* f = FindFunction(name);
    if (f == nullptr) return Fault(n.Offset, name.size(), "unknown function '" + name + "'" + DidYouMean(name, CallNames()));
    if (count < f->MinArgs || count > f->MaxArgs) {
      const std::string takes = f->MinArgs == f->MaxArgs
                                    ? std::to_string(f->MinArgs)
                                    : std::to_string(f->MinArgs) + " to " + std::to_string(f->MaxArgs);
      return Fault(n, std::string(f->Name) + " takes " + takes + " argument" + (f->MaxArgs == 1 ? "" : "s") +
                          ", got " + std::to_string(count));
    }
    auto args = Arguments(n);
    if (args.empty() && count > 0) return nullptr;
    bool ok = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
      if (Accepts(f->Args[i], args[i]->Type())) continue;
      Fault(*n.Args[i], "the " + Ordinal(i) + " argument of " + std::string(f->Name) + " must be " +
                            std::string(WantName(f->Args[i])) + ", not " + std::string(TypeWithArticle(args[i]->Type())));
      ok = false;
    }
    if (!ok) return nullptr;
    TType type = TType::Number;
    switch (f->Result) {
      case TResultType::Number: type = TType::Number; break;
      case TResultType::Text: type = TType::Text; break;
      case TResultType::Boolean: type = TType::Boolean; break;
      case TResultType::Date: type = TType::Date; break;
      case TResultType::DateTime: type = TType::DateTime; break;
      case TResultType::FirstArgument: type = args[0]->Type() == TType::Null ? TType::Date : args[0]->Type(); break;
    }
    return MakeCall(*f, type, std::move(args));
  }

  // min and max are totals with one value (and a group); with more values they pick one.
  static bool IsTotal(const TAst& n, TTotal total) {
    if (total != TTotal::Min && total != TTotal::Max) return true;
    return n.Args.size() == 1 ||
           (n.Args.size() == 2 && n.Args[1]->Kind == TAstKind::Name && !Same(n.Args[1]->Text, "null") &&
            !Same(n.Args[1]->Text, "true") && !Same(n.Args[1]->Text, "false") && !IsVariableName(n.Args[1]->Text));
  }
  static bool IsVariableName(std::string_view s) {
    return Same(s, "page") || Same(s, "pages") || Same(s, "line") || Same(s, "groupline");
  }

  TNodePtr Least(const TAst& n, bool greatest) {
    auto args = Arguments(n);
    if (args.empty()) return nullptr;
    std::optional<TType> type = TType::Null;
    for (std::size_t i = 0; i < args.size(); ++i) {
      type = Unify(*type, args[i]->Type());
      if (!type || *type == TType::Boolean)
        return Fault(*n.Args[i], std::string(greatest ? "max" : "min") + " compares values of one type; the " +
                                     Ordinal(i) + " is " + std::string(TypeWithArticle(args[i]->Type())));
    }
    return MakeLeast(greatest, *type, std::move(args));
  }

  TNodePtr Total(const TAst& n, TTotal total) {
    const std::string name(TotalName(total));
    if (inTotal_) return Fault(n, "a total cannot hold another total");
    if (n.Args.empty() || n.Args.size() > 2)
      return Fault(n, name + " takes a value and, optionally, a group band: " + name + "(Orders.AmountPaid, ByCustomer)");
    TTotalRequest request;
    request.Kind = total;
    if (n.Args.size() == 2) {
      const TAst& g = *n.Args[1];
      if (g.Kind != TAstKind::Name) return Fault(g, "expected the name of a group band after ','");
      request.Group = g.Text;
      request.GroupOffset = g.Offset;
    }
    const TAst& arg = *n.Args[0];
    if (total == TTotal::Count && arg.Kind == TAstKind::Name && !IsVariableName(arg.Text)) {
      TDataSet* data = scope_.DataSet(arg.Text);
      if (data == nullptr) {
        std::string message;
        scope_.Variable(arg.Text, message);
        return Fault(arg, "unknown dataset '" + arg.Text + "' in count(...)");
      }
      request.Reads.push_back(data);
    } else {
      inTotal_ = true;
      reads_ = &request.Reads;
      request.Argument = Check(arg);
      reads_ = nullptr;
      inTotal_ = false;
      if (!request.Argument) return nullptr;
      const TType t = request.Argument->Type();
      const bool numeric = t == TType::Number || t == TType::Null;
      if ((total == TTotal::Sum || total == TTotal::Avg || total == TTotal::RunningSum) && !numeric)
        return Fault(arg, name + " needs numbers, not " + std::string(TypeWithArticle(t)));
      if ((total == TTotal::Min || total == TTotal::Max) && t == TType::Boolean)
        return Fault(arg, name + " needs numbers, texts or dates, not a boolean");
    }
    std::string message;
    bool atGroup = false;
    if (TNodePtr node = scope_.Total(std::move(request), message, atGroup)) return node;
    if (atGroup) return Fault(n.Args[1]->Offset, n.Args[1]->Length, message);
    return Fault(n, message);
  }

  TNameScope& scope_;
  TFaults& faults_;
  std::vector<TDataSet*>* reads_ = nullptr;
  bool inTotal_ = false;
};

}  // namespace

std::string_view TotalName(TTotal total) {
  for (const auto& [n, t] : kTotals)
    if (t == total) return n;
  return {};
}

TCompiled Compile(std::string_view source, TNameScope& scope, TType wanted) {
  TCompiled result;
  TFault fault;
  const auto tree = Parse(source, fault);
  if (!tree) {
    result.Faults.push_back(std::move(fault));
    return result;
  }
  TChecker checker(scope, result.Faults);
  TNodePtr root;
  try {
    root = checker.Check(*tree);
    if (root && wanted != TType::Null && root->Type() != wanted && root->Type() != TType::Null)
      root = checker.Fault(*tree, "expected " + std::string(TypeWithArticle(wanted)) + ", but this is " +
                                      std::string(TypeWithArticle(root->Type())));
  } catch (const TStop&) {
    root = nullptr;
  }
  if (root && result.Faults.empty())
    result.Expression = std::make_unique<TExpression>(std::string(source), std::move(root));
  return result;
}

}  // namespace oxqr::expr
