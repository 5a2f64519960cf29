#include "expression/Nodes.h"

#include <cmath>

#include "data/DataSet.h"
#include "data/FieldTypes.h"
#include "expression/CalcField.h"

namespace oxqr::expr {
namespace {

bool AnyDeferred(const std::vector<TNodePtr>& nodes) {
  for (const auto& n : nodes)
    if (n->Deferred()) return true;
  return false;
}

class TConstant final : public TNode {
 public:
  explicit TConstant(const TValue& v) : TNode(v.Type), value_(v) {}
  void Eval(TValue& out, TEvalContext&) const override { out = value_; }

 private:
  TValue value_;
};

class TFieldNode final : public TLeafNode {
 public:
  TFieldNode(TField& field, TType type)
      : TLeafNode(type), field_(field), calc_(dynamic_cast<const TCalcField*>(&field)),
        integral_(IsIntegerType(field.DataType)) {}
  void Read(TValue& out, TEvalContext& ctx) const override {
    if (calc_ != nullptr) {  // its exact value, not a double's
      out = calc_->Value();
      if (out.Null) out.Type = Type();
      return;
    }
    if (field_.IsNull()) return out.SetNull(Type());
    switch (Type()) {
      case TType::Number: {
        if (integral_) return out.SetNumber(TDecimal::FromInt(field_.AsInteger()));
        if (const auto d = TDecimal::FromDouble(field_.AsFloat())) return out.SetNumber(*d);
        ctx.Count(&TEvalCounters::OutOfRange);
        return out.SetNull(TType::Number);
      }
      case TType::Boolean:
        return out.SetBool(field_.AsBoolean());
      case TType::Date:
      case TType::DateTime:
        return out.SetDate(Type(), std::llround(field_.AsFloat() * static_cast<double>(kMsPerDay)));
      default:
        return out.SetText(field_.AsString());
    }
  }

 private:
  TField& field_;
  const TCalcField* calc_;
  bool integral_;
};

// Base of nodes with operands: each operand has its own scratch value.
class TOperands : public TNode {
 public:
  TOperands(TType type, std::vector<TNodePtr> args)
      : TNode(type), args_(std::move(args)), values_(args_.size()), deferred_(AnyDeferred(args_)) {}
  bool Deferred() const override { return deferred_; }

 protected:
  TValue& Arg(std::size_t i, TEvalContext& ctx) const {
    args_[i]->Eval(values_[i], ctx);
    return values_[i];
  }
  std::vector<TNodePtr> args_;
  mutable std::vector<TValue> values_;
  bool deferred_;
};

std::vector<TNodePtr> List(TNodePtr a, TNodePtr b = nullptr, TNodePtr c = nullptr) {
  std::vector<TNodePtr> v;
  v.push_back(std::move(a));
  if (b) v.push_back(std::move(b));
  if (c) v.push_back(std::move(c));
  return v;
}

class TNegate final : public TOperands {
 public:
  explicit TNegate(TNodePtr a) : TOperands(TType::Number, List(std::move(a))) {}
  void Eval(TValue& out, TEvalContext& ctx) const override {
    const TValue& a = Arg(0, ctx);
    if (a.Null) return out.SetNull(TType::Number);
    out.SetNumber(-a.Num);
  }
};

class TNot final : public TOperands {
 public:
  explicit TNot(TNodePtr a) : TOperands(TType::Boolean, List(std::move(a))) {}
  void Eval(TValue& out, TEvalContext& ctx) const override {
    const TValue& a = Arg(0, ctx);
    if (a.Null) return out.SetNull(TType::Boolean);
    out.SetBool(!a.Bool);
  }
};

// and/or with the three-valued logic of SQL: false and null is false, true or null is true.
class TLogic final : public TOperands {
 public:
  TLogic(bool isAnd, TNodePtr a, TNodePtr b) : TOperands(TType::Boolean, List(std::move(a), std::move(b))), and_(isAnd) {}
  void Eval(TValue& out, TEvalContext& ctx) const override {
    const TValue& a = Arg(0, ctx);
    if (!a.Null && a.Bool != and_) return out.SetBool(!and_);
    const TValue& b = Arg(1, ctx);
    if (!b.Null && b.Bool != and_) return out.SetBool(!and_);
    if (a.Null || b.Null) return out.SetNull(TType::Boolean);
    out.SetBool(and_);
  }

 private:
  bool and_;
};

class TArithmetic final : public TOperands {
 public:
  TArithmetic(TTok op, TType type, TNodePtr a, TNodePtr b)
      : TOperands(type, List(std::move(a), std::move(b))), op_(op) {}
  void Eval(TValue& out, TEvalContext& ctx) const override {
    const TValue& a = Arg(0, ctx);
    const TValue& b = Arg(1, ctx);
    if (a.Null || b.Null) {
      if (Type() == TType::Text) return out.SetText(a.Null ? (b.Null ? std::string() : b.Text) : a.Text);
      return out.SetNull(Type());
    }
    if (a.Type == TType::Text) {
      out.SetText(a.Text);
      out.Text += b.Text;
      return;
    }
    if (IsDateLike(a.Type) && IsDateLike(b.Type)) {
      // The difference of two dates in days (with a fraction for times).
      return Set(out, TDecimal::FromInt(a.Ms - b.Ms) / TDecimal::FromInt(kMsPerDay), ctx);
    }
    if (IsDateLike(a.Type) || IsDateLike(b.Type)) {
      const TValue& date = IsDateLike(a.Type) ? a : b;
      const TValue& days = IsDateLike(a.Type) ? b : a;
      const auto ms = days.Num * TDecimal::FromInt(kMsPerDay);
      const auto whole = ms ? ms->Round(0) : std::nullopt;
      const auto delta = whole ? whole->ToInt() : std::nullopt;
      constexpr std::int64_t kLimit = 3'700'000LL * kMsPerDay;  // beyond the year 9999
      if (!delta || *delta > kLimit || *delta < -kLimit) {
        ctx.Count(&TEvalCounters::OutOfRange);
        return out.SetNull(Type());
      }
      return out.SetDate(Type(), date.Ms + (op_ == TTok::Minus ? -*delta : *delta));
    }
    if ((op_ == TTok::Slash || op_ == TTok::Percent) && b.Num.IsZero()) {
      ctx.Count(&TEvalCounters::DivisionsByZero);
      return out.SetNull(TType::Number);
    }
    switch (op_) {
      case TTok::Plus: return Set(out, a.Num + b.Num, ctx);
      case TTok::Minus: return Set(out, a.Num - b.Num, ctx);
      case TTok::Star: return Set(out, a.Num * b.Num, ctx);
      case TTok::Slash: return Set(out, a.Num / b.Num, ctx);
      default: return Set(out, a.Num % b.Num, ctx);
    }
  }

 private:
  static void Set(TValue& out, const std::optional<TDecimal>& d, TEvalContext& ctx) {
    if (d) return out.SetNumber(*d);
    ctx.Count(&TEvalCounters::OutOfRange);
    out.SetNull(TType::Number);
  }
  TTok op_;
};

class TCompare final : public TOperands {
 public:
  TCompare(TTok op, TNodePtr a, TNodePtr b) : TOperands(TType::Boolean, List(std::move(a), std::move(b))), op_(op) {}
  void Eval(TValue& out, TEvalContext& ctx) const override {
    const TValue& a = Arg(0, ctx);
    const TValue& b = Arg(1, ctx);
    if (a.Null || b.Null) return out.SetNull(TType::Boolean);
    const int c = CompareValues(a, b);
    switch (op_) {
      case TTok::Eq: return out.SetBool(c == 0);
      case TTok::Ne: return out.SetBool(c != 0);
      case TTok::Lt: return out.SetBool(c < 0);
      case TTok::Le: return out.SetBool(c <= 0);
      case TTok::Gt: return out.SetBool(c > 0);
      default: return out.SetBool(c >= 0);
    }
  }

 private:
  TTok op_;
};

// if(cond, a, b): a null condition takes b. Only the branch taken is evaluated.
class TIf final : public TOperands {
 public:
  TIf(TType type, TNodePtr c, TNodePtr a, TNodePtr b) : TOperands(type, List(std::move(c), std::move(a), std::move(b))) {}
  void Eval(TValue& out, TEvalContext& ctx) const override {
    const TValue& c = Arg(0, ctx);
    args_[!c.Null && c.Bool ? 1 : 2]->Eval(out, ctx);
    if (out.Null) out.Type = Type();
  }
};

class TCoalesce final : public TOperands {
 public:
  TCoalesce(TType type, std::vector<TNodePtr> args) : TOperands(type, std::move(args)) {}
  void Eval(TValue& out, TEvalContext& ctx) const override {
    for (const auto& a : args_) {
      a->Eval(out, ctx);
      if (!out.Null) return;
    }
    out.SetNull(Type());
  }
};

class TIsNull final : public TOperands {
 public:
  explicit TIsNull(TNodePtr a) : TOperands(TType::Boolean, List(std::move(a))) {}
  void Eval(TValue& out, TEvalContext& ctx) const override { out.SetBool(Arg(0, ctx).Null); }
};

class TLeast final : public TOperands {
 public:
  TLeast(bool greatest, TType type, std::vector<TNodePtr> args) : TOperands(type, std::move(args)), greatest_(greatest) {}
  void Eval(TValue& out, TEvalContext& ctx) const override {
    const TValue* best = nullptr;
    for (std::size_t i = 0; i < args_.size(); ++i) {
      const TValue& v = Arg(i, ctx);
      if (v.Null) continue;
      if (best == nullptr || (CompareValues(v, *best) > 0) == greatest_) best = &v;
    }
    if (best == nullptr) return out.SetNull(Type());
    out = *best;
  }

 private:
  bool greatest_;
};

class TCall final : public TOperands {
 public:
  TCall(const TFunction& f, TType type, std::vector<TNodePtr> args) : TOperands(type, std::move(args)), f_(f) {}
  void Eval(TValue& out, TEvalContext& ctx) const override {
    for (std::size_t i = 0; i < args_.size(); ++i)
      if (Arg(i, ctx).Null) return out.SetNull(Type());
    f_.Impl(values_.data(), values_.size(), out, ctx);
  }

 private:
  const TFunction& f_;
};

}  // namespace

TType FieldType(const TField& field) {
  switch (field.DataType) {
    case TFieldType::ftBoolean: return TType::Boolean;
    case TFieldType::ftDate: return TType::Date;
    case TFieldType::ftTime:
    case TFieldType::ftDateTime: return TType::DateTime;
    case TFieldType::ftGraphic:
    case TFieldType::ftBlob: return TType::Null;
    default: return IsNumericType(field.DataType) ? TType::Number : TType::Text;
  }
}

int CompareValues(const TValue& a, const TValue& b) {
  switch (a.Type) {
    case TType::Number: return Compare(a.Num, b.Num);
    case TType::Text: {
      const int c = a.Text.compare(b.Text);
      return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    case TType::Boolean: return static_cast<int>(a.Bool) - static_cast<int>(b.Bool);
    case TType::Date:
    case TType::DateTime: return a.Ms < b.Ms ? -1 : a.Ms > b.Ms ? 1 : 0;
    case TType::Null: return 0;
  }
  return 0;
}

TNodePtr MakeConstant(const TValue& value) { return std::make_unique<TConstant>(value); }
TNodePtr MakeField(TField& field, TType type) { return std::make_unique<TFieldNode>(field, type); }
TNodePtr MakeNegate(TNodePtr a) { return std::make_unique<TNegate>(std::move(a)); }
TNodePtr MakeNot(TNodePtr a) { return std::make_unique<TNot>(std::move(a)); }
TNodePtr MakeAnd(TNodePtr a, TNodePtr b) { return std::make_unique<TLogic>(true, std::move(a), std::move(b)); }
TNodePtr MakeOr(TNodePtr a, TNodePtr b) { return std::make_unique<TLogic>(false, std::move(a), std::move(b)); }
TNodePtr MakeArithmetic(TTok op, TType type, TNodePtr a, TNodePtr b) {
  return std::make_unique<TArithmetic>(op, type, std::move(a), std::move(b));
}
TNodePtr MakeCompare(TTok op, TNodePtr a, TNodePtr b) {
  return std::make_unique<TCompare>(op, std::move(a), std::move(b));
}
TNodePtr MakeIf(TType type, TNodePtr c, TNodePtr a, TNodePtr b) {
  return std::make_unique<TIf>(type, std::move(c), std::move(a), std::move(b));
}
TNodePtr MakeCoalesce(TType type, std::vector<TNodePtr> args) {
  return std::make_unique<TCoalesce>(type, std::move(args));
}
TNodePtr MakeIsNull(TNodePtr a) { return std::make_unique<TIsNull>(std::move(a)); }
TNodePtr MakeLeast(bool greatest, TType type, std::vector<TNodePtr> args) {
  return std::make_unique<TLeast>(greatest, type, std::move(args));
}
TNodePtr MakeCall(const TFunction& f, TType type, std::vector<TNodePtr> args) {
  return std::make_unique<TCall>(f, type, std::move(args));
}

}  // namespace oxqr::expr
