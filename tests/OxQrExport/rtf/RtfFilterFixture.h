#pragma once
// Shared set-up of the RTF filter tests: fresh settings and a scratch folder, a pinned code
// page and clock, and a helper that runs pages through the filter with a screen printer.
#include <ctime>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "OxQrExport/rtf/RtfFilter.h"
#include "engine/Printer.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Locale.h"
#include "support/ExportTestSupport.h"

namespace oxqr::test {

class RtfFilterTest : public oxqr::testing::ExportTest {
 protected:
  void SetUp() override {
    ExportTest::SetUp();
    SetAnsiCodePage(1252);
    TLocalTime now;
    now.Tm.tm_year = 2026 - 1900;
    now.Tm.tm_mon = 2;  // March
    now.Tm.tm_mday = 7;
    now.Tm.tm_hour = 9;
    now.Tm.tm_min = 5;
    SetFixedNow(now);
  }
  void TearDown() override {
    SetFixedNow(std::nullopt);
    ExportTest::TearDown();
  }
  TOxQRRTFSettings& Settings() { return QRExportSettings().RTF; }
  // Moves the pinned clock to `minute` past nine on the same day.
  static void SetClockMinute(int minute) {
    TLocalTime now = Now();
    now.Tm.tm_min = minute;
    SetFixedNow(now);
  }

  // Starts `filter` on an A4 page (the engine's close before page 1 included), runs `pages`
  // pages with `page(k)` writing page k, and finishes the job. TotalPages follows `pages`.
  void Run(TOxQRRTFFilter& filter, int pages, const std::function<void(int)>& page) {
    Start(filter, pages);
    for (int k = 1; k <= pages; ++k) {
      filter.OpenPage();
      page(k);
      filter.ClosePage();
    }
    filter.FinishJob();
  }
  // Starts `filter` and opens page 1 of `pages`, for tests that look at one piece of markup.
  void Open(TOxQRRTFFilter& filter, int pages = 1) {
    Start(filter, pages);
    filter.OpenPage();
  }
  // The preview holds `pages` pages; the job starts and the engine closes "page 0".
  void Start(TOxQRRTFFilter& filter, int pages) {
    while (printer_.PageCount() < pages) printer_.NewPage();
    ASSERT_EQ(printer_.PageCount(), pages);
    filter.SourcePrinter = &printer_;
    filter.StartJob(2100, 2970, font_);
    filter.ClosePage();
  }
  std::string File(const std::string& name = "out.rtf") const { return ReadFileBytes(Dir() + name); }
  // The body part of a finished file: what follows the head's line.
  static std::string Body(const std::string& file) { return file.substr(file.find("\r\n") + 2); }

  TQRPrinter printer_;
  TFont font_;  // Arial 10, the report's default font
};

}  // namespace oxqr::test
