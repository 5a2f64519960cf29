// oxqr-designer [FILE.oxr]: the visual report designer.
#include <QApplication>
#include <QCommandLineParser>

#include "Showcase/samples/SampleContext.h"
#include "designer/DesignDocument.h"
#include "designer/DesignerWindow.h"
#include "designer/FileActions.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("oxqr-designer");
  QApplication::setOrganizationName("OxQRFilters");
  QCommandLineParser args;
  args.setApplicationDescription("Designs report definitions (.oxr) on their page.");
  args.addHelpOption();
  args.addPositionalArgument("FILE", "the report definition to open", "[FILE]");
  args.process(app);

  oxqr::TDesignerWindow window;
  // A definition that names no database reads the sample one, as the exporter does.
  window.Document().SetDefaultDatabase(QString::fromStdString(oxqr::DefaultSampleContext().DatabasePath));
  auto* files = window.findChild<oxqr::TFileActions*>();
  window.show();
  // Changes kept by a designer that ended without saving come first; then the file asked for.
  const bool restored = files && files->OfferRecovery();
  if (!restored && files && !args.positionalArguments().isEmpty()) files->Open(args.positionalArguments().front());
  return QApplication::exec();
}
