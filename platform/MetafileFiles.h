#pragma once
// Metafile files of a recorded page: an enhanced metafile (EMF) and a placeable
// Windows metafile (WMF).
#include "Metafile.h"

namespace oxqr {

class TStream;

// Writes `mf` as an EMF: header with bounds, frame in 0.01 mm at 96 pixels per inch,
// device and millimetre sizes, record and handle counts; ends with EMR_EOF.
void WriteEMF(const TMetafile& mf, TStream& out);
// Writes `mf` as a placeable WMF: 22-byte header (key 0x9AC6CDD7, bounding box at
// 96 units per inch, checksum), anisotropic mapping mode, then the records.
void WriteWMF(const TMetafile& mf, TStream& out);

}  // namespace oxqr
