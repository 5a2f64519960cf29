#pragma once
// The program's standard error box: a modal message box over the active window. Every box
// is counted, so that the preview can tell a save during which an error was reported from
// a success. InstallErrorBox routes the library's error reports and the preview's save
// bookkeeping here; the program calls it once, right after the application exists.
#include <string>

class QWidget;

namespace oxqr {

void ShowErrorBox(const std::string& message);
// Boxes shown so far in this run.
long ErrorBoxCount();
void InstallErrorBox();

}  // namespace oxqr
