#include "designer/Inspector.h"

#include "designer/DesignDocument.h"

namespace oxqr {

TInspector::TInspector(TDesignDocument& document, QWidget* parent) : QWidget(parent), document_(document) {}

}  // namespace oxqr
