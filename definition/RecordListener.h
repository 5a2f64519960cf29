#pragma once
// TRecordListener: something of a report that follows its records while it prints (a chart
// that aggregates its dataset), told of every record of its dataset and of the starts and
// ends of its scope (a group or sub-detail band; none: the whole report).
#include "expression/Checker.h"

namespace oxqr {

class TDataSet;
class TQRCustomBand;

class TRecordListener {
 public:
  virtual ~TRecordListener() = default;
  virtual const TDataSet& Data() const = 0;
  virtual const TQRCustomBand* Scope() const = 0;
  virtual void StartRun() = 0;
  virtual void Add(expr::TEvalContext& ctx) = 0;
  virtual void StartInstance() = 0;
  virtual void EndInstance() = 0;
  virtual void FinishRun(bool previewRun) = 0;
};

}  // namespace oxqr
