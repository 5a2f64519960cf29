#pragma once
// Pieces every sample report shares: its page set-up, the teal title band with its
// Impact caption, and the red "OxQRFilters" label of the page headers.
#include <string>

#include "OxQrCtrls/ExportControls.h"
#include "engine/Report.h"

namespace oxqr {

// Paper, margins (mm), millimetre units at 100 %, print-when-empty and the header and
// footer options all samples use.
void SetUpSamplePage(TQRCustomReport& report, TQRPaperSize paper, double top, double bottom, double left, double right);

// A title band of `heightMM` in teal holding `caption` in Impact 16 pt bold underlined
// white, centred on the band, transparent.
TQRCustomBand& AddSampleTitleBand(TQRCustomReport& report, double heightMM, const std::string& caption);

// The "OxQRFilters" label at (0, 0.3): red text on the tooltip background colour.
TOxQRLabel& AddSampleHeaderLabel(TQRCustomBand& pageHeader);

// A white page header band of `heightMM` holding the "OxQRFilters" label.
TQRCustomBand& AddSamplePageHeader(TQRCustomReport& report, double heightMM);

// The small logo picture, stretched into a square of `sideMM` at (left, top) mm.
TOxQRImage& AddSampleLogo(TQRCustomBand& band, double left, double top, double sideMM);

// A label of Arial 10 pt at (left, top) mm, `width` mm wide, one line high.
TOxQRLabel& AddSampleLabel(TQRCustomBand& band, const std::string& caption, double left, double top, double width);

// A database text of `field` at (left, top) mm, `width` mm wide, one line high.
TOxQRDBText& AddSampleDBText(TQRCustomBand& band, TDataSet& data, const std::string& field, double left, double top,
                             double width);

}  // namespace oxqr
