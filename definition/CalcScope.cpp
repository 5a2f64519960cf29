#include "definition/CalcScope.h"

#include <algorithm>
#include <cctype>

namespace oxqr {
namespace {

using namespace expr;

bool SameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

class TCalcScope final : public TNameScope {
 public:
  TCalcScope(TExpressionState& state, const std::string& dataName, const std::string& calc,
             const std::vector<std::string>& later)
      : base_(state.Scope()), dataName_(dataName), calc_(calc), later_(later) {}

  TFieldAnswer Field(std::string_view dataSet, std::string_view field) override {
    TFieldAnswer a;
    if (!SameName(dataSet, dataName_)) {
      a.AtDataSet = true;
      a.Message = "calculated field " + calc_ + " of " + dataName_ + " reads only fields of " + dataName_ +
                  " (not of '" + std::string(dataSet) + "')";
      return a;
    }
    if (SameName(field, calc_)) {
      a.Message = "calculated field " + calc_ + " refers to itself";
      return a;
    }
    for (const std::string& l : later_)
      if (SameName(field, l)) {
        a.Message = "calculated field " + calc_ + " uses " + l +
                    ", which is defined after it (a calculated field uses only those before it)";
        return a;
      }
    return base_->Field(dataSet, field);
  }

  TNodePtr Parameter(std::string_view name, std::string& message) override { return base_->Parameter(name, message); }

  // page, pages, line and groupline belong to the printing, not to the record.
  TNodePtr Variable(std::string_view name, std::string& message) override {
    if (base_->Variable(name, message) == nullptr) return nullptr;
    message = "a calculated field is computed per record; it cannot use " + std::string(name);
    return nullptr;
  }

  TDataSet* DataSet(std::string_view name) override { return base_->DataSet(name); }

  TNodePtr Total(TTotalRequest request, std::string& message, bool&) override {
    message = "a calculated field is computed per record; it cannot hold a total (" +
              std::string(TotalName(request.Kind)) + "): use the total where the field is printed";
    return nullptr;
  }

 private:
  std::unique_ptr<TNameScope> base_;
  const std::string& dataName_;
  const std::string& calc_;
  const std::vector<std::string>& later_;
};

}  // namespace

TCompiled CompileCalc(TExpressionState& state, const std::string& dataName, const std::string& calc,
                      const std::vector<std::string>& later, std::string_view source) {
  TCalcScope scope(state, dataName, calc, later);
  return expr::Compile(source, scope);
}

}  // namespace oxqr
