#pragma once
// Draws one page-metafile record on a QPainter. The raster canvas and the metafile
// player both draw through here, so a page looks the same recorded or drawn directly.
#include "Metafile.h"

class QPainter;

namespace oxqr::detail {

// `painter` already carries the origin and scale; the painter's state is restored.
void PaintRecord(QPainter& painter, const TMetaRecord& record);

}  // namespace oxqr::detail
