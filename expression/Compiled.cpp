#include "expression/Compiled.h"

namespace oxqr::expr {

void TLeafNode::Eval(TValue& out, TEvalContext& ctx) const {
  if (ctx.Tape == nullptr) return Read(out, ctx);
  if (ctx.Replay) {
    for (const TTapeEntry& e : *ctx.Tape) {
      if (e.Leaf != this) continue;
      if (Deferred()) ReadFinal(out, e.Key);
      else out = e.Value;
      return;
    }
    return Read(out, ctx);
  }
  Read(out, ctx);
  for (const TTapeEntry& e : *ctx.Tape)
    if (e.Leaf == this) return;
  ctx.Tape->push_back({this, Key(), out});
}

TExpression::TExpression(std::string source, std::unique_ptr<TNode> root)
    : source_(std::move(source)), root_(std::move(root)) {}
TExpression::~TExpression() = default;

bool TExpression::Holds(TEvalContext& ctx) const {
  root_->Eval(scratch_, ctx);
  return !scratch_.Null && scratch_.Type == TType::Boolean && scratch_.Bool;
}

}  // namespace oxqr::expr
