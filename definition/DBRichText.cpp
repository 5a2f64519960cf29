#include "definition/DBRichText.h"

#include "data/DataSet.h"
#include "platform/Streams.h"

namespace oxqr {

void TDBRichText::Print(int OffsetX, int OffsetY) {
  if (NextCharPos == 0 && DataSet != nullptr && DataSet->Active()) {
    const TField& field = DataSet->FieldByName(DataField);
    const std::unique_ptr<TStream> bytes = field.CreateBlobStream();
    try {
      Editor().LoadFromStream(*bytes);
    } catch (const EInvalidData&) {
      // Malformed RTF prints as the plain text it holds rather than stopping the report.
      Editor().SetLines({field.AsString()});
    }
  }
  TOxQRRichText::Print(OffsetX, OffsetY);
}

}  // namespace oxqr
