#pragma once
// A fixture for the HTML filter: jobs of a few pages run on a screen printer (A4: 794 x 1123
// pixels) into the test's scratch folder, and the pieces of a written file.
#include <functional>
#include <string>

#include "OxQrExport/core/Settings.h"
#include "OxQrExport/html/HtmlFilter.h"
#include "engine/Band.h"
#include "engine/Controls.h"
#include "engine/Printer.h"
#include "platform/Files.h"
#include "support/ExportTestSupport.h"
#include "support/FilterJob.h"

namespace oxqr::testing {

class HtmlTest : public ExportTest {
 protected:
  static TOxQRHTMLSettings& Settings() { return QRExportSettings().HTML; }

  // Runs `pages` pages through `filter` (the preview holds `previewPages`, by default as
  // many); `page(k)` adds the items of page k.
  void Run(TOxQRHTMLFilter& filter, int pages, const std::function<void(int)>& page = {}, int previewPages = -1) {
    printer_.Clear();
    for (int i = 0; i < (previewPages < 0 ? pages : previewPages); ++i) printer_.NewPage();
    printer_.Title = "Sales Report";
    testing::RunFilterJob(filter, printer_, pages, page, font_);
  }
  std::string Read(const std::string& name) const { return ReadFileBytes(Dir() + name); }

  // The body of a file: what follows the BODY tag's line, up to "</BODY>".
  static std::string BodyOf(const std::string& html) {
    const auto tag = html.find("<BODY BGCOLOR");
    const auto start = html.find("\r\n", tag) + 2;
    return html.substr(start, html.rfind("</BODY>") - start);
  }
  // The head: everything up to the line of the BODY tag, included.
  static std::string HeadOf(const std::string& html) {
    return html.substr(0, html.find("\r\n", html.find("<BODY BGCOLOR")) + 2);
  }
  // A text record of `width` pixels at (x, y) in the report's font.
  TOxQrTextRec Line(double x, double y, double width, TAlignment alignment, const std::string& text) const {
    TOxQrTextRec r;
    r.X = x;
    r.Y = y;
    r.Width = width;
    r.Height = 15;
    r.Font = TOxQrFontAttrib::FromFont(font_);
    r.Alignment = alignment;
    r.Text = text;
    return r;
  }

  TQRPrinter printer_;
  TFont font_;  // Arial 10, the report's default font
};

}  // namespace oxqr::testing
