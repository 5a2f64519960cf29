#include "designer/PageView.h"

#include "designer/DesignDocument.h"

namespace oxqr {

TPageView::TPageView(TDesignDocument& document, QWidget* parent) : QWidget(parent), document_(document) {}

}  // namespace oxqr
