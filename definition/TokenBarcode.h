#pragma once
// TQRTokenBarcode: a barcode whose Text is token text ({Customer.CustNo}, {param:Id}),
// evaluated each time it prints, so that one definition element encodes a record's data
// or a text built from several fields.
#include "OxQrCtrls/Barcode.h"
#include "ReportEnvironment.h"
#include "TokenText.h"

namespace oxqr {

class TQRTokenBarcode : public TOxQRBarcode, public TTokenTextOwner {
 public:
  explicit TQRTokenBarcode(TReportEnvironment& environment);

  // Text parsed (again after Text changed); throws TTokenError.
  const TTokenText& TokenText() const override;

 private:
  TReportEnvironment& environment_;
  mutable TTokenText parsed_;
  mutable bool parsedOnce_ = false;
};

}  // namespace oxqr
