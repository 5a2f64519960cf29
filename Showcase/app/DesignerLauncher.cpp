#include "DesignerLauncher.h"

#include <QProcess>
#include <filesystem>

#include "Showcase/samples/SampleContext.h"
#include "platform/Errors.h"

namespace oxqr {

namespace {
TProgramStarter& Starter() {
  static TProgramStarter starter;
  return starter;
}
}  // namespace

std::string DesignerProgram() { return (std::filesystem::path(ProgramDirectory()) / "oxqr-designer").string(); }

void SetProgramStarter(TProgramStarter starter) { Starter() = std::move(starter); }

void OpenInDesigner(const std::string& definition) {
  const QString program = QString::fromStdString(DesignerProgram());
  const QStringList arguments{QString::fromStdString(std::filesystem::absolute(definition).string())};
  const bool started = Starter() ? Starter()(program, arguments) : QProcess::startDetached(program, arguments);
  if (!started) throw EOxQRError("could not start the designer " + program.toStdString());
}

}  // namespace oxqr
