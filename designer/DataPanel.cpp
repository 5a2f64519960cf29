#include "designer/DataPanel.h"

#include "designer/DesignDocument.h"

namespace oxqr {

TDataPanel::TDataPanel(TDesignDocument& document, QWidget* parent) : QWidget(parent), document_(document) {}

}  // namespace oxqr
