#pragma once
// TDefinitionCrossTab: the <crosstab> of a definition: a cross-tab whose table is computed
// from the records of a dataset with expressions (rows, columns, and a total as its value),
// keeping the sources as written so that the definition can be written back.
#include <string>

#include "OxQrCtrls/ExportCrossTab.h"
#include "definition/CrossTabValues.h"

namespace oxqr {

class TDefinitionCrossTab final : public TOxQRCrossTab {
 public:
  // The attributes as the definition wrote them (report text).
  std::string DataSetName, Rows, Columns, Value, Format, Group;
  TCrossTabValues Values;
  TQRCrossTabTable Table() const override { return Values.Table(); }
};

}  // namespace oxqr
