#include "designer/Palette.h"

#include "designer/DesignDocument.h"

namespace oxqr {

TPalette::TPalette(TDesignDocument& document, QWidget* parent) : QWidget(parent), document_(document) {}

}  // namespace oxqr
