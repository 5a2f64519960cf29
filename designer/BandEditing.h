#pragma once
// Adding, removing and reordering bands: where a new band of a type belongs among the
// report's bands, and the names that tie a group's header to its footer.
#include <QString>
#include <string>
#include <vector>

namespace oxqr {

class TDesignDocument;
class TOxrNode;

namespace page {

// The band types a report may hold, as the definition spells them, with their captions.
struct TBandKind {
  const char* Type;
  const char* Caption;
  const char* Menu;  // the Insert menu's entry, with its accelerator
};
const std::vector<TBandKind>& BandKinds();
// "Page Header" for "pageHeader" (the type itself when unknown).
QString BandCaption(const std::string& type);

// Adds a band of `type` as one undo step and answers it. A group header comes with its
// footer; a child band follows `after` (or the last band) and becomes its child. Other bands
// go where a page prints them: before the first band that prints later.
TOxrNode* AddBand(TDesignDocument& document, const std::string& type, TOxrNode* after = nullptr);
// Removes `band` with its controls as one undo step; the other bands' references to it (as
// their child, header, footer or master) go with it, so that no band names a missing one.
void RemoveBand(TDesignDocument& document, TOxrNode* band);
// Moves `band` one place up (-1) or down (+1) among the report's bands; answers whether it moved.
bool MoveBand(TDesignDocument& document, TOxrNode* band, int direction);

}  // namespace page
}  // namespace oxqr
