#pragma once
// Restricts a report's master dataset to the records whose field holds one value, for one
// burst after another, and gives the report its whole master back afterwards.
#include <memory>
#include <string>

#include "data/Cell.h"

namespace oxqr {

class TCellDataSet;
class TDataSet;
class TField;
class TQRCustomReport;

// One value of the burst field as the master reads it, with the records that hold it.
struct TMasterValue {
  TCell Cell;        // as stored: what a database compares
  std::string Text;  // as the field gives it (ANSI)
  bool Null = false;
  int Records = 0;
};

// The value of `field` in the current record.
TMasterValue CurrentValue(TField& field);

class TMasterRestriction {
 public:
  // Throws EBurstError when the report has no master or the master no field `field`.
  TMasterRestriction(TQRCustomReport& report, const std::string& field);
  // Gives the report its whole master back.
  ~TMasterRestriction();
  TMasterRestriction(const TMasterRestriction&) = delete;
  TMasterRestriction& operator=(const TMasterRestriction&) = delete;

  // The report's next run reads only the master records holding `value`.
  void Select(const TMasterValue& value);
  // The whole master, as the report had it.
  TDataSet* Master() const { return master_; }

 private:
  class TRestrictedDataSet;
  TQRCustomReport& report_;
  TDataSet* master_;
  TCellDataSet* database_ = nullptr;  // a master the database restricts
  std::string field_;
  std::unique_ptr<TRestrictedDataSet> restricted_;  // any other master, restricted as it is read
};

}  // namespace oxqr
