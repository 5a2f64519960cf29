#pragma once
// The program's help: an HTML file beside the program (base name "SHOWCASE") shown in a
// browser window at the anchor of a help context ("context100").
#include <string>

#include <QDialog>

class QTextBrowser;

namespace oxqr {

// The help file of the program in `folder`: folder/SHOWCASE.htm.
std::string HelpFileIn(const std::string& folder);

class THelpWindow final : public QDialog {
 public:
  explicit THelpWindow(QWidget* parent = nullptr);
  // Opens `helpFile` at `context`; false (nothing shown) when the file does not exist.
  bool ShowContext(const std::string& helpFile, int context);
  QTextBrowser* Browser() const { return browser_; }

 private:
  QTextBrowser* browser_;
};

}  // namespace oxqr
