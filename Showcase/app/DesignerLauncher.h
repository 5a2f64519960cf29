#pragma once
// Starting the report designer (oxqr-designer, found beside the showcase's own program)
// on a definition file, as a program of its own: the showcase stays as it is.
#include <QString>
#include <QStringList>
#include <functional>
#include <string>

namespace oxqr {

// The designer program beside the running program.
std::string DesignerProgram();

// Starts `program` with `arguments` detached; false when it could not be started.
using TProgramStarter = std::function<bool(const QString& program, const QStringList& arguments)>;
// Replaces the starter (tests); an empty one restores QProcess::startDetached.
void SetProgramStarter(TProgramStarter starter);

// Starts the designer on `definition`. Throws EOxQRError naming the program when it could
// not be started (missing, not executable).
void OpenInDesigner(const std::string& definition);

}  // namespace oxqr
