#pragma once
// The design surface of a sample report as the showcase shows it: the export hint above
// the first band (a surface label, never printed) and the rich text controls drawn with
// their loaded text.
#include "engine/gui/DesignSurface.h"

namespace oxqr {

inline constexpr const char* kExportHint =
    "To export report: Click Save Report; Choose Folder, File name, Type and click Save";

TQRDesignSurface* MakeShowcaseSurface(TQRCustomReport& report, QWidget* parent);

}  // namespace oxqr
