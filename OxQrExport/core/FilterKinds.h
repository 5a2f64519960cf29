#pragma once
// The filter class table indexed by TOxQRFilterKind: which class is registered for each
// kind, with its display name, extension and the kind's identifier ("fkHTML").
#include <string>
#include <string_view>
#include <vector>

#include "Settings.h"
#include "engine/FilterLibrary.h"

namespace oxqr {

// The class registered with FilterLibrary for `kind`; never nullptr.
const TQRExportFilterClass* FilterClassOfKind(TOxQRFilterKind kind);
// The formats registered after the ten kinds, in registration order (.xlsx, .csv). They are
// not part of VisibleFilters, so the kinds keep their bits, order and indexes.
const std::vector<const TQRExportFilterClass*>& ExtraFilterClasses();
// The display name the class of `kind` reports (a resource string).
std::string FilterDisplayName(TOxQRFilterKind kind);
// The fixed extension of `kind`, without the dot ("htm").
std::string_view FilterExtension(TOxQRFilterKind kind);
// The identifier of `kind` as written in form text ("fkHTML").
std::string_view FilterKindName(TOxQRFilterKind kind);

}  // namespace oxqr
