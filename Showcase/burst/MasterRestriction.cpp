#include "MasterRestriction.h"

#include "BurstNames.h"
#include "data/CellDataSet.h"
#include "data/DataSet.h"
#include "engine/Report.h"

namespace oxqr {

TMasterValue CurrentValue(TField& field) {
  TMasterValue v;
  v.Null = field.IsNull();
  v.Text = v.Null ? std::string() : field.AsString();
  if (const auto* cell = dynamic_cast<const TCellField*>(&field)) {
    v.Cell = cell->Value();
  } else if (!v.Null) {
    v.Cell = TCell::FromAnsi(v.Text);
  }
  return v;
}

// A master that is not a database table or query, seen through a restriction: moving the cursor moves the master's own cursor and
// passes over the records of other values, so that detail tables linked to the master and
// controls bound to its fields follow as they do in a whole run.
class TMasterRestriction::TRestrictedDataSet final : public TDataSet {
 public:
  TRestrictedDataSet(TDataSet& base, TField& field) : base_(base), field_(field) {}

  void Select(const TMasterValue& value) { value_ = value; }

  void Open() override { base_.Open(); }
  void Close() override { base_.Close(); }
  bool Active() const override { return base_.Active(); }
  void First() override {
    base_.First();
    SkipOthers();
    empty_ = base_.Eof();
  }
  void Next() override {
    base_.Next();
    SkipOthers();
  }
  bool Eof() const override { return base_.Eof(); }
  bool IsEmpty() const override { return empty_; }
  int RecordCount() const override { return value_.Records; }
  TField* FindField(const std::string& name) override { return base_.FindField(name); }
  std::vector<TField*> Fields() override { return base_.Fields(); }
  std::string Name() const override { return base_.Name(); }
  TDataSet* Records() override { return base_.Records(); }

 private:
  bool Holds() const {
    if (field_.IsNull() || value_.Null) return field_.IsNull() && value_.Null;
    return field_.AsString() == value_.Text;
  }
  void SkipOthers() {
    while (!base_.Eof() && !Holds()) base_.Next();
  }

  TDataSet& base_;
  TField& field_;
  TMasterValue value_;
  bool empty_ = true;
};

TMasterRestriction::TMasterRestriction(TQRCustomReport& report, const std::string& field)
    : report_(report), master_(report.DataSet), field_(field) {
  if (!master_) throw EBurstError("the report \"" + report.ReportTitle + "\" has no master dataset to burst");
  TField* f = master_->FindField(field);
  if (!f) throw EBurstError("the master dataset " + master_->Name() + " has no field \"" + field + "\"");
  // A table or query passes the value to its database, which reads only the records wanted
  // (through a dataset with calculated fields too, when the field is one of the database's).
  if (dynamic_cast<const TCellField*>(f) != nullptr) database_ = dynamic_cast<TCellDataSet*>(master_->Records());
  if (database_) return;
  restricted_ = std::make_unique<TRestrictedDataSet>(*master_, *f);
  report_.DataSet = restricted_.get();
}

TMasterRestriction::~TMasterRestriction() {
  report_.DataSet = master_;
  if (!database_) return;
  try {
    database_->ClearRestriction();
  } catch (const std::exception&) {
    // The report is done with the master; a reopening that fails changes nothing it wrote.
  }
}

void TMasterRestriction::Select(const TMasterValue& value) {
  if (database_) {
    database_->Restrict(field_, value.Cell);
  } else {
    restricted_->Select(value);
  }
}

}  // namespace oxqr
