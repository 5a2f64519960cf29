// oxqr-designer [FILE.oxr]: the visual report designer.
#include <QApplication>

#include "designer/DesignerWindow.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("oxqr-designer");
  QApplication::setOrganizationName("OxQRFilters");
  oxqr::TDesignerWindow window;
  window.show();
  return QApplication::exec();
}
