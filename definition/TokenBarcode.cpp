#include "TokenBarcode.h"

#include "EnvironmentState.h"

namespace oxqr {

TQRTokenBarcode::TQRTokenBarcode(TReportEnvironment& environment) : environment_(environment) {
  TextProvider = [this] { return environment_.State().Evaluate(TokenText(), this).Joined(); };
}

const TTokenText& TQRTokenBarcode::TokenText() const {
  if (!parsedOnce_ || parsed_.Source() != Text) {
    parsed_ = TTokenText(Text);
    parsedOnce_ = true;
  }
  return parsed_;
}

}  // namespace oxqr
