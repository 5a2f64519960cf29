#pragma once
// TOxQRCrossTab: the cross-tab control that, while the report is exported through a
// document filter, hands the filter its cells (each a box with its line of text) instead
// of bare lines, so that every format shows the table and spreadsheets get a cell per value.
#include "engine/CrossTab.h"

namespace oxqr {

class TOxQRCrossTab : public TQRCrossTab {
 protected:
  void ExportCells(std::span<const TQRTextCell> cells, int OffsetX, int OffsetY, bool continuing) override;
};

}  // namespace oxqr
