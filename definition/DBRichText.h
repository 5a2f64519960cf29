#pragma once
// A rich text control whose text comes from a field of the current record: RTF keeps its
// formatting, any other text prints plain. The field is read whenever a new text starts.
#include <string>

#include "OxQrCtrls/RichText.h"

namespace oxqr {

class TDataSet;

class TDBRichText : public TOxQRRichText {
 public:
  TDataSet* DataSet = nullptr;
  std::string DataField;
  void Print(int OffsetX, int OffsetY) override;
};

}  // namespace oxqr
