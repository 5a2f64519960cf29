#include "expression/CalcDataSet.h"

#include <algorithm>
#include <cctype>

namespace oxqr::expr {
namespace {

bool SameName(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

TCalcDataSet::TCalcDataSet(std::unique_ptr<TDataSet> inner) : inner_(std::move(inner)) {}

TCalcField& TCalcDataSet::AddCalc(std::string name, std::shared_ptr<const TExpression> expression,
                                  TEvalContext context) {
  calcs_.push_back(std::make_unique<TCalcField>(std::move(name), std::move(expression), clock_, context));
  return *calcs_.back();
}

void TCalcDataSet::Open() {
  ++clock_.Moves;
  inner_->Open();
}

void TCalcDataSet::Close() {
  ++clock_.Moves;
  inner_->Close();
}

void TCalcDataSet::First() {
  ++clock_.Moves;
  inner_->First();
}

void TCalcDataSet::Next() {
  ++clock_.Moves;
  inner_->Next();
}

TField* TCalcDataSet::FindField(const std::string& name) {
  if (TField* f = inner_->FindField(name)) return f;
  for (const auto& c : calcs_)
    if (SameName(c->FieldName, name)) return c.get();
  return nullptr;
}

std::vector<TField*> TCalcDataSet::Fields() {
  std::vector<TField*> fields = inner_->Fields();
  for (const auto& c : calcs_) fields.push_back(c.get());
  return fields;
}

}  // namespace oxqr::expr
