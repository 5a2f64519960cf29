#include "data/DataSet.h"

#include "platform/Streams.h"

namespace oxqr {

std::unique_ptr<TStream> TField::CreateBlobStream() const {
  return std::make_unique<TMemoryStream>(AsBytes());
}

TField& TDataSet::FieldByName(const std::string& name) {
  if (TField* f = FindField(name)) return *f;
  throw EDatabaseError("Field \"" + name + "\" not found in table \"" + Name() + "\"" + Source());
}

}  // namespace oxqr
