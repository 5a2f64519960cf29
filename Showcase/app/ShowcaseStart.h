#pragma once
// Program start of the showcase, in this order: the export library (which registers the
// filters), the application, the error box, the main window (which opens the tables), the
// Properties window hidden, the event loop.
#include <memory>
#include <string>

class QApplication;

namespace oxqr {

class TfrmMain;
class TfrmProperties;

struct TShowcase {
  std::unique_ptr<TfrmMain> frmMain;
  std::unique_ptr<TfrmProperties> frmProperties;  // owned here; a child window of frmMain
  ~TShowcase();
};

// The library and the error box; call after the QApplication exists. Idempotent.
void StartShowcaseLibrary();
// Creates the two windows (the main one not yet shown). A database that cannot be opened
// is shown in the error box and answers nullptr.
std::unique_ptr<TShowcase> CreateShowcase(const std::string& databaseOverride);
// The whole program: answers the exit status (1 when the windows cannot be created).
int RunShowcase(int& argc, char** argv, const std::string& databaseOverride);

}  // namespace oxqr
