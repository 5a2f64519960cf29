#pragma once
// The design surface's painters for the controls the engine cannot draw itself: rich text
// and barcodes, shown while designing as a report would print them.
#include "engine/gui/DesignSurface.h"

namespace oxqr {

// Adds the rich text and barcode painters to `surface`.
void AddControlPainters(TQRDesignSurface& surface);

}  // namespace oxqr
