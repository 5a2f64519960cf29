#pragma once
// Stand-in until this format's filter lands: registers under the format's name and
// extension and reports that the export is not available.
#include "OxQrExport/core/PendingFormats.h"

namespace oxqr {

using TOxQRHTMLFilter = TOxQRPendingFilter<TOxQRFilterKind::fkHTML>;

}  // namespace oxqr
